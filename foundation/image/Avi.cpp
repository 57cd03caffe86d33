#include "foundation/image/Avi.h"

#include "foundation/core/Versions.h"
#include "foundation/image/DibDraw.h"
#include "foundation/image/MediaPlayer.h"

#include "platform/ChoiceDialog.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_hooksLock;
CAvi::MessageFn g_messageBox;
CAvi::CompressorFn g_chooser;
std::atomic<int> g_libraryUsers{0};

bool ChooseCompressorDialog(std::string& codec)
{
    const auto encoders = AviEncoders();
    std::vector<std::string> entries;
    for (const auto& e : encoders)
        entries.push_back(e.first + " - " + e.second);
    const int i = platform::ChooseFromList("Video Compression", "Compressor:", entries);
    if (i < 0 || size_t(i) >= encoders.size())
        return false;
    codec = encoders[size_t(i)].first;
    return true;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

} // namespace

void CAvi::SetMessageBox(MessageFn fn)
{
    std::lock_guard<std::mutex> lock(g_hooksLock);
    g_messageBox = std::move(fn);
}

void CAvi::SetCompressorChooser(CompressorFn fn)
{
    std::lock_guard<std::mutex> lock(g_hooksLock);
    g_chooser = std::move(fn);
}

int CAvi::LibraryUsers() { return g_libraryUsers.load(); }

CAvi::~CAvi() { CAvi::Destroy(); }

void CAvi::Message(const std::string& text)
{
    MessageFn fn;
    {
        std::lock_guard<std::mutex> lock(g_hooksLock);
        fn = g_messageBox;
    }
    if (fn)
        fn(text);
    else
        platform::ShowMessageBox(text);
}

bool CAvi::Failed(const std::string& text)
{
    Destroy();
    Message(text);
    return false;
}

void CAvi::DecodeFailed(int64_t index)
{
    if (m_decodeFailed)
        return;
    m_decodeFailed = true;
    CVersions::Print(false, "warning: Avi:GetFrame %s: frame %lld cannot be decoded\n", m_playName.c_str(),
                     static_cast<long long>(index));
}

void CAvi::TakeLibrary()
{
    if (!m_holdsLibrary) {
        m_holdsLibrary = true;
        ++g_libraryUsers;
    }
}

void CAvi::ReleaseLibrary()
{
    if (m_holdsLibrary) {
        m_holdsLibrary = false;
        --g_libraryUsers;
    }
}

bool CAvi::Update()
{
    m_timer.Tick();
    return true;
}

float CAvi::GetRate() { return float(m_timer.GetRate()); }

bool CAvi::ComInfo(int command, ImageComValue value, unsigned flags, int extra, void* data)
{
    return CDib::ComInfo(command, value, flags, extra, data);
}

bool CAvi::Create(int width, int height, int bitsPerPixel, int, int, int)
{
    TakeLibrary();
    return CDib::Create(width, height, bitsPerPixel, 0, 0, 1);
}

bool CAvi::FinishRecording()
{
    m_recording = false;
    if (!m_writer)
        return false;
    const std::string path = m_writer->Path();
    std::string why;
    const bool ok = m_writer->Close(&why);
    m_writer.reset();
    if (!ok)
        CVersions::Print(false, "error: Avi:FinishRecording the recording %s is lost: %s\n", path.c_str(),
                         why.c_str());
    return ok;
}

void CAvi::Destroy()
{
    FinishRecording();
    m_reader.reset();
    ReleaseLibrary();
    m_writtenFrames = 0;
    m_currentFrame = 0;
    ReleaseMediaPlayer(&g_mediaPlayer);
    ReleaseMediaPlayer(&g_mediaPlayerSecond);
    CDib::Destroy();
}

void CAvi::Reset()
{
    m_fileCounter = 0;
    m_timer.Reset();
}

bool CAvi::Load(const char* name)
{
    const std::string file = name ? name : "";
    const int64_t size = file.empty() ? -1 : platform::FileSize(platform::ResolvePath(file));
    if (size <= 0) {
        Destroy();
        if (size == 0)
            CVersions::Print(false, "warning: Avi:Load %s is empty\n", file.c_str());
        return false;
    }
    m_reader.reset();
    auto reader = std::make_unique<AviReader>();
    if (!reader->Open(platform::ResolvePath(file)))
        return Failed("error: Avi:OpenFile\n" + file);
    if (reader->Width() <= 0 || reader->Height() <= 0)
        return Failed("error: Avi:AVIStreamInfo");
    m_length = int(std::min<int64_t>(reader->Length(), 0x7FFFFFFF));
    m_frameTime = float(reader->FrameMs());
    if (m_frameTime == 0.0f)
        m_frameTime = 1.0f;
    m_reader = std::move(reader);
    m_playName = file;
    m_decodeFailed = false;
    const BitmapInfo* frame = m_reader->GetFrame(0);
    if (!frame) {
        DecodeFailed(0);
        return false;
    }
    const BitmapInfoHeader& f = frame->bmiHeader;
    if (f.biWidth == GetWidth() && std::abs(f.biHeight) == GetHeight() && f.biBitCount == GetBitCount())
        return true;
    // re-creating the image must keep the open stream
    auto keep = std::move(m_reader);
    const bool made = CDib::Create(f.biWidth, f.biHeight, f.biBitCount, 0, 0, 1);
    m_reader = std::move(keep);
    return made;
}

uint8_t* CAvi::GetFrame(int index, int mode)
{
    if (m_length <= 0) {
        m_currentFrame = 0;  // an empty stream has no frame to decode
        return GetBits();
    }
    m_currentFrame = int(unsigned(index) % unsigned(m_length));
    if (m_reader) {
        if (const BitmapInfo* frame = m_reader->GetFrame(m_currentFrame)) {
            BitmapInfo header = *frame;
            const int h = std::abs(header.bmiHeader.biHeight);
            header.bmiHeader.biHeight = mode == 111 ? -h : h;
            DrawBits(m_reader->FrameBits(), &header);
        } else {
            DecodeFailed(m_currentFrame);
        }
    }
    SetPicNum(m_currentFrame);
    return GetBits();
}

int CAvi::Control(int code)
{
    switch (code) {
    case -30:
        return 1;
    case -20:
        m_currentFrame = m_length - 1;
        return 1;
    case -10:
        m_currentFrame = 0;
        return 1;
    case -6:
        return m_currentFrame;
    case -5:
        return m_length;
    case -4:
        m_currentFrame -= 2;
        return 1;
    case -3:
        m_currentFrame = 0;
        return 0;
    case 4:
        return 1;
    case 10:
        return 0x00FFFFFF;
    default:
        return int(std::min(unsigned(code), unsigned(m_length)));
    }
}

bool CAvi::Save(const char* name, const void* bits)
{
    if (m_reader && m_reader->IsOpen())
        return CDib::Save(name, bits);
    const int before = m_fileCounter++;
    if (before == 0)
        m_outputName = Lower(name ? name : "");
    // "movie.avi" -> "movie(1).avi", "movie(2).avi", ...
    std::string file = m_outputName;
    char number[24];
    std::snprintf(number, sizeof number, "(%d).avi", m_fileCounter);
    for (size_t at = file.find(".avi"); at != std::string::npos; at = file.find(".avi", at + std::strlen(number)))
        file.replace(at, 4, number);
    m_recordName = file;

    const int w = GetAllocWidth(), h = GetAllocHeight(), bpp = GetAllocBpp();
    if (w <= 0 || h <= 0)
        return Failed("error: Avi:AVIFileOpen");
    std::string codec = "rawvideo";
    if (bits) {
        CompressorFn chooser;
        {
            std::lock_guard<std::mutex> lock(g_hooksLock);
            chooser = g_chooser;
        }
        const bool chosen = chooser ? chooser(codec) : ChooseCompressorDialog(codec);
        if (!chosen)
            return Failed("error: Avi:AVISaveOptions\n(compressor don't exists)");
    }
    // a running recording is kept, not dropped; one that is lost is logged there, and
    // the next one still starts
    FinishRecording();
    auto writer = std::make_unique<AviWriter>();
    switch (writer->Open(platform::ResolvePathForWriting(file), w, h, bpp, 30, codec)) {
    case AviOpen::Ok:
        break;
    case AviOpen::File:
        return Failed("error: Avi:AVIFileOpen");
    case AviOpen::Stream:
        return Failed("error: Avi:AVIFileCreateStream");
    case AviOpen::Encoder:
        return Failed("error: Avi:CompressedStream\ncan't make stream");
    case AviOpen::Format:
        return Failed("error: Avi:StreamSetFormat");
    }
    m_writer = std::move(writer);
    m_writtenFrames = 0;
    m_recording = true;
    return true;
}

bool CAvi::WriteFrame(const void* bits)
{
    const BitmapInfo* info = GetBitmapInfo();
    const bool topDown = bits == GetBits() && info && info->bmiHeader.biHeight < 0;
    if (!m_writer->Write(m_writtenFrames, bits, topDown))
        return false;
    ++m_writtenFrames;
    return true;
}

int CAvi::Draw(ImageDC dc, const void* bits, const ImageRect* rect)
{
    if (!m_recording || !m_writer || !bits)
        return 0;
    if (!WriteFrame(bits))
        return 0;
    if (!dc)
        return 1;
    return CDib::Draw(dc, bits, rect);
}

int CAvi::RecordFrom(const CImageSource* source)
{
    if (!m_recording || !m_writer || !source)
        return 0;
    auto* self = GetMemDC();
    const ImageBitmap picture = source->GetBitmap();
    if (!self || !picture || picture->isNull())
        return 0;
    if (picture != self)
        StretchImage(*self, *picture);
    // written at the counter, then counted: the first frame is frame 0
    return WriteFrame(GetBits()) ? 1 : 0;
}

int CAvi::CopyFrameBits(const BitmapInfo* frame, const uint8_t* bits)
{
    if (!frame || !bits || frame->bmiHeader.biSizeImage == 0)
        return 0;
    std::vector<uint8_t> copy(bits, bits + frame->bmiHeader.biSizeImage);
    return 1;
}

int CAvi::GetInfoText(const std::string& name)
{
    AviFileInfo info;
    if (!ReadAviFileInfo(platform::ResolvePath(name), info))
        return 0;
    char text[512];
    std::snprintf(text, sizeof text,
                  "Dimention: %dx%d\nLength: %d frames\nMax bytes per second: %d\nSamples per second: %d\nStreams: "
                  "%d\nFile Type: %d",
                  info.width, info.height, int(info.length), int(info.maxBytesPerSecond), info.rate, info.streams,
                  info.fileType);
    m_infoText = text;
    AviReader reader;
    if (!reader.Open(platform::ResolvePath(name)) || reader.Length() < 0)
        return 0;
    if (!reader.SetOutput(info.width, info.height, 24)) {
        CVersions::Print(false, "error: Avi:GetInfoText %s: frames of %dx%d are above the size limit\n", name.c_str(),
                         info.width, info.height);
        return 0;
    }
    for (int64_t i = 0; i < reader.Length(); ++i) {
        const BitmapInfo* frame = reader.GetFrame(i);
        if (frame)
            CopyFrameBits(frame, reader.FrameBits());
    }
    return 1;
}
