#include "foundation/image/AviFile.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

void QuietLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(std::getenv("QM_AV_LOG") ? AV_LOG_DEBUG : AV_LOG_FATAL); });
}

AVPixelFormat FormatOfBits(int bitCount)
{
    switch (bitCount) {
    case 8:
        return AV_PIX_FMT_GRAY8;
    case 32:
        return AV_PIX_FMT_BGRA;
    default:
        return AV_PIX_FMT_BGR24;
    }
}

int BitsOfFormat(int format)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(format));
    if (!d)
        return 24;
    if (d->nb_components == 1 && !(d->flags & AV_PIX_FMT_FLAG_PAL))
        return 8;
    if ((d->flags & AV_PIX_FMT_FLAG_ALPHA) || format == AV_PIX_FMT_BGR0 || format == AV_PIX_FMT_RGB0 ||
        format == AV_PIX_FMT_0RGB || format == AV_PIX_FMT_0BGR)
        return 32;
    return 24;
}

AVRational FrameRateOf(const AVStream* st)
{
    AVRational r = st->avg_frame_rate;
    if (r.num <= 0 || r.den <= 0)
        r = st->r_frame_rate;
    if (r.num <= 0 || r.den <= 0)
        r = av_inv_q(st->time_base);
    if (r.num <= 0 || r.den <= 0)
        r = AVRational{30, 1};
    return r;
}

// Opens a local file whose container is one of demuxers. Local files only, also
// for names a container lists inside it; the "file:" prefix keeps a name with a
// colon from naming a protocol.
bool OpenInput(AVFormatContext** fmt, const std::string& path, const std::string& demuxers)
{
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", demuxers.c_str(), 0);
    const int opened = avformat_open_input(fmt, ("file:" + path).c_str(), nullptr, &options);
    av_dict_free(&options);
    return opened >= 0;
}

// Probes the streams without decoding frames above kMaxVideoPixels.
bool FindStreamInfo(AVFormatContext* fmt)
{
    std::vector<AVDictionary*> options(fmt->nb_streams, nullptr);
    for (AVDictionary*& o : options)
        av_dict_set_int(&o, "max_pixels", int64_t(kMaxVideoPixels), 0);
    const int found = avformat_find_stream_info(fmt, options.data());
    for (AVDictionary*& o : options)
        av_dict_free(&o);
    return found >= 0;
}

// The file an AVI is written to, and the error of its first failed write.
struct OutputFile {
    platform::AtomicFileStream stream;
    int writeError = 0;
};

// FFmpeg output through the atomic file stream.
int WriteStream(void* opaque, uint8_t* buf, int size)
{
    auto* out = static_cast<OutputFile*>(opaque);
    if (out->stream.Write(buf, size_t(size)))
        return size;
    if (!out->writeError)
        out->writeError = errno ? errno : EIO;
    return AVERROR(EIO);
}

int64_t SeekStream(void* opaque, int64_t offset, int whence)
{
    auto* file = &static_cast<OutputFile*>(opaque)->stream;
    if (whence == AVSEEK_SIZE) {
        const int64_t at = file->Position();
        const int64_t end = file->Seek(0, SEEK_END);
        if (at < 0 || file->Seek(at, SEEK_SET) < 0)
            return -1;
        return end;
    }
    return file->Seek(offset, whence & ~AVSEEK_FORCE);
}

} // namespace

struct AviReader::Impl {
    AVFormatContext* fmt = nullptr;
    AVCodecContext* dec = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* out = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* sws = nullptr;
    int stream = -1;
    int headerW = 0, headerH = 0;  // the stream header's frame size
    AVRational rate{30, 1};
    int64_t next = 0;  // index the decoder delivers next when reading on
    bool eof = false;
    int outW = 0, outH = 0, outBits = 0;

    ~Impl()
    {
        sws_freeContext(sws);
        av_packet_free(&packet);
        av_frame_free(&frame);
        av_frame_free(&out);
        avcodec_free_context(&dec);
        avformat_close_input(&fmt);
    }

    int64_t IndexOf(const AVFrame* f) const
    {
        const AVStream* st = fmt->streams[stream];
        int64_t ts = f->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE)
            return -1;
        if (st->start_time != AV_NOPTS_VALUE)
            ts -= st->start_time;
        return av_rescale_q_rnd(ts, st->time_base, av_inv_q(rate), AVRounding(AV_ROUND_NEAR_INF));
    }

    // The next decoded frame in stream order; false at the end or on an error.
    bool Decode()
    {
        for (;;) {
            const int r = avcodec_receive_frame(dec, frame);
            if (r == 0)
                return true;
            if (r != AVERROR(EAGAIN))
                return false;
            if (eof)
                return false;
            const int rd = av_read_frame(fmt, packet);
            if (rd < 0) {
                eof = true;
                avcodec_send_packet(dec, nullptr);
                continue;
            }
            if (packet->stream_index == stream) {
                const int s = avcodec_send_packet(dec, packet);
                if (s < 0 && s != AVERROR(EAGAIN) && s != AVERROR_INVALIDDATA) {
                    av_packet_unref(packet);
                    return false;
                }
            }
            av_packet_unref(packet);
        }
    }
};

AviReader::AviReader() = default;
AviReader::~AviReader() = default;

bool AviReader::IsOpen() const { return m && m->dec; }

void AviReader::Close()
{
    m.reset();
    m_length = 0;
    m_frameMs = 0;
    m_width = m_height = m_bitCount = 0;
    m_bits.clear();
}

static bool OpenStreams(AviReader::Impl& m)
{
    // the sizes the headers give, before probing replaces them with what frames say
    std::vector<std::pair<int, int>> headerSizes;
    for (unsigned i = 0; i < m.fmt->nb_streams; ++i)
        headerSizes.emplace_back(m.fmt->streams[i]->codecpar->width, m.fmt->streams[i]->codecpar->height);
    if (!FindStreamInfo(m.fmt))
        return false;
    m.stream = av_find_best_stream(m.fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m.stream < 0)
        return false;
    AVStream* st = m.fmt->streams[m.stream];
    if (size_t(m.stream) < headerSizes.size() && headerSizes[size_t(m.stream)].first > 0 &&
        headerSizes[size_t(m.stream)].second > 0) {
        st->codecpar->width = headerSizes[size_t(m.stream)].first;
        st->codecpar->height = headerSizes[size_t(m.stream)].second;
    }
    m.headerW = st->codecpar->width;
    m.headerH = st->codecpar->height;
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec || m.headerW <= 0 || m.headerH <= 0 || m.headerW > 16384 || m.headerH > 16384 ||
        uint64_t(m.headerW) * uint64_t(m.headerH) > kMaxVideoPixels)
        return false;
    m.dec = avcodec_alloc_context3(codec);
    if (!m.dec || avcodec_parameters_to_context(m.dec, st->codecpar) < 0)
        return false;
    m.dec->thread_count = 1;
    m.dec->max_pixels = int64_t(kMaxVideoPixels);
    if (avcodec_open2(m.dec, codec, nullptr) < 0) {
        avcodec_free_context(&m.dec);
        return false;
    }
    m.frame = av_frame_alloc();
    m.packet = av_packet_alloc();
    m.rate = FrameRateOf(st);
    return m.frame && m.packet;
}

bool AviReader::Open(const std::string& path, const std::string& demuxers)
{
    Close();
    QuietLibraries();
    m = std::make_unique<Impl>();
    if (!OpenInput(&m->fmt, path, demuxers)) {
        Close();
        return false;
    }
    return Opened();
}

// Finds the video stream and its decoder once the container is open; closes on failure.
bool AviReader::Opened()
{
    if (!m || !m->fmt || !OpenStreams(*m)) {
        Close();
        return false;
    }
    const AVStream* st = m->fmt->streams[m->stream];
    m_length = st->nb_frames;
    if (m_length <= 0 && st->duration > 0)
        m_length = av_rescale_q(st->duration, st->time_base, av_inv_q(m->rate));
    if (m_length < 0)
        m_length = 0;
    m_frameMs = av_rescale_q(1, av_inv_q(m->rate), AVRational{1, 1000});
    m_width = st->codecpar->width;
    m_height = st->codecpar->height;
    m_bitCount = BitsOfFormat(st->codecpar->format);
    return true;
}

bool AviReader::SetOutput(int width, int height, int bitCount)
{
    if (!IsOpen() || width < 0 || height < 0 || (bitCount != 0 && bitCount != 8 && bitCount != 24 && bitCount != 32))
        return false;
    // 0 keeps the frame's own size, which is at most the header's
    const uint64_t w = uint64_t(width > 0 ? width : m->headerW), h = uint64_t(height > 0 ? height : m->headerH);
    if (w * h > kMaxVideoPixels)
        return false;
    m->outW = width;
    m->outH = height;
    m->outBits = bitCount;
    return true;
}

const BitmapInfo* AviReader::GetFrame(int64_t index)
{
    if (!IsOpen() || index < 0)
        return nullptr;
    Impl& d = *m;
    if (index != d.next) {
        const AVStream* st = d.fmt->streams[d.stream];
        int64_t ts = av_rescale_q(index, av_inv_q(d.rate), st->time_base);
        if (st->start_time != AV_NOPTS_VALUE)
            ts += st->start_time;
        if (av_seek_frame(d.fmt, d.stream, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
            av_seek_frame(d.fmt, d.stream, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE) < 0)
            return nullptr;
        avcodec_flush_buffers(d.dec);
        d.eof = false;
    }
    for (;;) {
        if (!d.Decode())
            return nullptr;
        const int64_t at = d.IndexOf(d.frame);
        if (at < 0 || at >= index)
            break;
    }
    d.next = index + 1;
    // a frame carries its own size (a JPEG's, say): none above the stream header's
    if (d.frame->width > d.headerW || d.frame->height > d.headerH)
        return nullptr;

    const int w = d.outW > 0 ? d.outW : d.frame->width;
    const int h = d.outH > 0 ? d.outH : d.frame->height;
    const int bits = d.outBits > 0 ? d.outBits : BitsOfFormat(d.frame->format);
    if (w <= 0 || h <= 0 || d.frame->width <= 0 || d.frame->height <= 0)
        return nullptr;
    const size_t row = size_t(w) * size_t(bits / 8);
    d.sws = sws_getCachedContext(d.sws, d.frame->width, d.frame->height, AVPixelFormat(d.frame->format), w, h,
                                 FormatOfBits(bits), SWS_POINT, nullptr, nullptr, nullptr);
    if (!d.sws)
        return nullptr;
    // converted into a padded frame (the scaler may write past a row's end), then
    // copied out as bottom-up rows, as bitmaps are kept
    if (!d.out || d.out->width != w || d.out->height != h || d.out->format != FormatOfBits(bits)) {
        av_frame_free(&d.out);
        d.out = av_frame_alloc();
        if (!d.out)
            return nullptr;
        d.out->format = FormatOfBits(bits);
        d.out->width = w;
        d.out->height = h;
        if (av_frame_get_buffer(d.out, 0) < 0) {
            av_frame_free(&d.out);
            return nullptr;
        }
    }
    if (sws_scale(d.sws, d.frame->data, d.frame->linesize, 0, d.frame->height, d.out->data, d.out->linesize) != h)
        return nullptr;
    m_bits.resize(row * size_t(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(m_bits.data() + row * size_t(h - 1 - y), d.out->data[0] + ptrdiff_t(d.out->linesize[0]) * y, row);
    m_header = BitmapInfo();
    BitmapInfoHeader& hd = m_header.bmiHeader;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biBitCount = uint16_t(bits);
    hd.biSizeImage = uint32_t(row * size_t(h));
    hd.biClrUsed = bits == 8 ? 256 : 0;
    for (int i = 0; bits == 8 && i < 256; ++i)
        m_header.bmiColors[i] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    return &m_header;
}

struct AviWriter::Impl {
    AVFormatContext* oc = nullptr;
    AVCodecContext* enc = nullptr;
    AVStream* st = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* in = nullptr;  // padded copy of the given rows
    AVPacket* packet = nullptr;
    SwsContext* sws = nullptr;
    int width = 0, height = 0, bits = 0;
    // the file, written beside its name and put in place when finished
    OutputFile file;
    std::string path;
    AVIOContext* io = nullptr;
    bool headerWritten = false;

    ~Impl()
    {
        sws_freeContext(sws);
        av_packet_free(&packet);
        av_frame_free(&frame);
        av_frame_free(&in);
        avcodec_free_context(&enc);
        if (oc) {
            oc->pb = nullptr;
            avformat_free_context(oc);
        }
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    bool Drain()
    {
        for (;;) {
            const int r = avcodec_receive_packet(enc, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return false;
            av_packet_rescale_ts(packet, enc->time_base, st->time_base);
            packet->stream_index = st->index;
            const int w = av_interleaved_write_frame(oc, packet);
            av_packet_unref(packet);
            if (w < 0)
                return false;
        }
    }
};

AviWriter::AviWriter() = default;
AviWriter::~AviWriter() = default;  // never finished: no file

bool AviWriter::IsOpen() const { return m && m->headerWritten; }

AviOpen AviWriter::Open(const std::string& path, int width, int height, int bitCount, int rate, const std::string& codec)
{
    QuietLibraries();
    m.reset();
    if (width < 1 || height < 1 || rate < 1 || (bitCount != 8 && bitCount != 24 && bitCount != 32))
        return AviOpen::Encoder;
    auto d = std::make_unique<Impl>();
    d->width = width;
    d->height = height;
    d->bits = bitCount;
    const AVCodec* encoder = avcodec_find_encoder_by_name(codec.c_str());
    if (!encoder || encoder->type != AVMEDIA_TYPE_VIDEO)
        return AviOpen::Encoder;
    if (avformat_alloc_output_context2(&d->oc, nullptr, "avi", path.c_str()) < 0 || !d->oc)
        return AviOpen::Stream;
    d->enc = avcodec_alloc_context3(encoder);
    if (!d->enc)
        return AviOpen::Encoder;
    d->enc->width = width;
    d->enc->height = height;
    d->enc->time_base = AVRational{1, rate};
    d->enc->framerate = AVRational{rate, 1};
    d->enc->gop_size = 1;
    d->enc->thread_count = 1;
    if (encoder->id == AV_CODEC_ID_RAWVIDEO) {
        d->enc->pix_fmt = FormatOfBits(bitCount);
    } else {
        d->enc->pix_fmt = encoder->pix_fmts ? encoder->pix_fmts[0] : AV_PIX_FMT_YUV420P;
        if (encoder->id == AV_CODEC_ID_MJPEG) {
            d->enc->flags |= AV_CODEC_FLAG_QSCALE;
            d->enc->global_quality = FF_QP2LAMBDA * 2;
            d->enc->color_range = AVCOL_RANGE_JPEG;
        }
    }
    if (d->oc->oformat->flags & AVFMT_GLOBALHEADER)
        d->enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(d->enc, encoder, nullptr) < 0)
        return AviOpen::Encoder;
    d->st = avformat_new_stream(d->oc, nullptr);
    if (!d->st || avcodec_parameters_from_context(d->st->codecpar, d->enc) < 0)
        return AviOpen::Stream;
    d->st->time_base = d->enc->time_base;
    d->frame = av_frame_alloc();
    d->packet = av_packet_alloc();
    if (!d->frame || !d->packet)
        return AviOpen::Stream;
    d->frame->format = d->enc->pix_fmt;
    d->frame->width = width;
    d->frame->height = height;
    d->in = av_frame_alloc();
    if (!d->in || av_frame_get_buffer(d->frame, 0) < 0)
        return AviOpen::Stream;
    d->in->format = FormatOfBits(bitCount);
    d->in->width = width;
    d->in->height = height;
    if (av_frame_get_buffer(d->in, 0) < 0)
        return AviOpen::Stream;
    d->sws = sws_getContext(width, height, FormatOfBits(bitCount), width, height, d->enc->pix_fmt, SWS_POINT,
                            nullptr, nullptr, nullptr);
    if (!d->sws)
        return AviOpen::Encoder;
    if (!d->file.stream.Open(path))
        return AviOpen::File;
    d->path = path;
    constexpr int kBuffer = 1 << 16;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBuffer));
    if (!buffer)
        return AviOpen::File;
    d->io = avio_alloc_context(buffer, kBuffer, 1, &d->file, nullptr, WriteStream, SeekStream);
    if (!d->io) {
        av_free(buffer);
        return AviOpen::File;
    }
    d->oc->pb = d->io;
    d->oc->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_write_header(d->oc, nullptr) < 0)
        return AviOpen::Format;
    d->headerWritten = true;
    m = std::move(d);
    return AviOpen::Ok;
}

bool AviWriter::Write(int64_t index, const void* bits, bool topDown)
{
    if (!IsOpen() || !bits || index < 0)
        return false;
    Impl& d = *m;
    if (av_frame_make_writable(d.frame) < 0)
        return false;
    const size_t row = size_t(d.width) * size_t(d.bits / 8);
    const auto* first = static_cast<const uint8_t*>(bits);
    for (int y = 0; y < d.height; ++y) {
        const uint8_t* from = first + row * size_t(topDown ? y : d.height - 1 - y);
        std::memcpy(d.in->data[0] + ptrdiff_t(d.in->linesize[0]) * y, from, row);
    }
    if (sws_scale(d.sws, d.in->data, d.in->linesize, 0, d.height, d.frame->data, d.frame->linesize) != d.height)
        return false;
    d.frame->pts = index;
    if (avcodec_send_frame(d.enc, d.frame) < 0)
        return false;
    return d.Drain();
}

bool AviWriter::Close(std::string* why)
{
    if (!m)
        return false;
    bool ok = m->headerWritten;
    const char* cause = "it was never started";
    if (ok) {
        const bool drained = avcodec_send_frame(m->enc, nullptr) >= 0 && m->Drain();
        const bool ended = av_write_trailer(m->oc) == 0;
        avio_flush(m->io);
        if (m->file.writeError) {
            cause = std::strerror(m->file.writeError);
            ok = false;
        } else if (!drained || !ended || m->io->error != 0) {
            cause = "its last frames or its index could not be written";
            ok = false;
        } else if (!m->file.stream.Commit()) {
            cause = "it could not be put in place";
            ok = false;
        }
    }
    if (!ok && why)
        *why = cause;
    m.reset();  // an uncommitted file is discarded
    return ok;
}

const std::string& AviWriter::Path() const
{
    static const std::string none;
    return m ? m->path : none;
}

std::vector<std::pair<std::string, std::string>> AviEncoders()
{
    QuietLibraries();
    std::vector<std::pair<std::string, std::string>> list;
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it)) {
        if (!av_codec_is_encoder(c) || c->type != AVMEDIA_TYPE_VIDEO)
            continue;
        if (avi && avformat_query_codec(avi, c->id, FF_COMPLIANCE_NORMAL) != 1)
            continue;
        std::pair<std::string, std::string> e{c->name, c->long_name ? c->long_name : c->name};
        if (c->id == AV_CODEC_ID_RAWVIDEO)
            list.insert(list.begin(), e);
        else
            list.push_back(e);
    }
    return list;
}

bool ReadAviFileInfo(const std::string& path, AviFileInfo& info)
{
    QuietLibraries();
    AVFormatContext* fmt = nullptr;
    if (!OpenInput(&fmt, path, "avi"))
        return false;
    bool ok = FindStreamInfo(fmt);
    const int s = ok ? av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
    if (s >= 0) {
        const AVStream* st = fmt->streams[s];
        const AVRational rate = FrameRateOf(st);
        info.width = st->codecpar->width;
        info.height = st->codecpar->height;
        info.length = st->nb_frames > 0 ? st->nb_frames
                                        : (st->duration > 0 ? av_rescale_q(st->duration, st->time_base, av_inv_q(rate)) : 0);
        info.maxBytesPerSecond = fmt->bit_rate > 0 ? fmt->bit_rate / 8 : 0;
        info.rate = rate.den ? rate.num / rate.den : 0;
        info.streams = int(fmt->nb_streams);
        info.fileType = 0;
    }
    avformat_close_input(&fmt);
    return ok && s >= 0;
}
