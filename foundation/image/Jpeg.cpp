#include "foundation/image/Jpeg.h"

#include "foundation/core/Versions.h"
#include "platform/GuiDispatcher.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr char kJpegCaption[] = "JPEG Fatal Error";
constexpr int kMaxScans = 1000;  // progressive files with more scans are refused
// Scans times the picture's pixels: a progressive file re-reads the whole picture
// in each scan, so a large one with many tiny scans is refused early.
constexpr uint64_t kMaxScanWork = uint64_t(4) << 30;

std::mutex g_hookMutex;
JpegErrorHook g_hook;  // guarded by g_hookMutex

void ShowJpegBox(const std::string& text)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMessageBox::critical(nullptr, kJpegCaption, QString::fromLocal8Bit(text.c_str()));
}

void DefaultJpegError(const char* message)
{
    if (platform::IsGuiThread() && qobject_cast<QApplication*>(QCoreApplication::instance())) {
        ShowJpegBox(message);
        return;
    }
    // never block a worker thread on the GUI: log, and show the box there later
    CVersions::Print(false, "error: %s %s\n", kJpegCaption, message);
    std::string text = message;
    platform::PostToGui([text] { ShowJpegBox(text); });
}

void ReportJpegError(const char* message)
{
    JpegErrorHook hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_hook;
    }
    if (hook)
        hook(message);
    else
        DefaultJpegError(message);
}

struct JpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
    bool quiet = false;  // the caller reports the fault itself
    char message[JMSG_LENGTH_MAX] = {};
};

extern "C" void JpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    char* buffer = err->message;
    (*cinfo->err->format_message)(cinfo, buffer);
    if (!err->quiet)
        ReportJpegError(buffer);
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Warnings (corrupt data the library works around) are not shown.
extern "C" void JpegSilentOutput(j_common_ptr) {}

extern "C" void JpegScanGuard(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    const uint64_t scans = uint64_t(std::max(d->input_scan_number, 0));
    if (d->input_scan_number > kMaxScans ||
        scans * uint64_t(d->image_width) * uint64_t(d->image_height) > kMaxScanWork)
        ERREXIT1(cinfo, JERR_BAD_SCAN_SCRIPT, d->input_scan_number);
}

void InstallErrors(JpegError& err, jpeg_common_struct& common)
{
    common.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorExit;
    err.pub.output_message = JpegSilentOutput;
}

// Compresses rows into a buffer the library allocates (*out, *size; the caller
// frees it, also after a failure). Only plain data lives in this frame, so the
// jump back from the library skips no destructor.
bool Compress(unsigned char** out, unsigned long* size, const uint8_t* rows, unsigned width, unsigned height,
              int components, int quality)
{
    jpeg_compress_struct cinfo;
    JpegError err;
    InstallErrors(err, *reinterpret_cast<jpeg_common_struct*>(&cinfo));
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = size_t(width) * size_t(components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows + rowBytes * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

struct Decoded {
    uint8_t* pixels = nullptr;  // new[]; the caller owns it
    int width = 0;
    int height = 0;
    int components = 0;
};

enum class DecodeMode { Size, Pixels };

// A picture file is never larger than this.
constexpr uint64_t kMaxJpegFile = uint64_t(256) << 20;

// Regular files only, never blocking (a FIFO or a device is refused).
FILE* OpenForReading(const std::string& name)
{
    const int fd = platform::OpenRegularFile(platform::ResolvePath(name), kMaxJpegFile);
    if (fd < 0)
        return nullptr;
    FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
}

// Bytes in memory instead of a stream; a quiet source puts faults in `why`
// instead of reporting them.
struct MemorySource {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::string* why = nullptr;
};

bool Decompress(FILE* file, DecodeMode mode, uint64_t maxPixels, Decoded* out, const MemorySource* memory = nullptr)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    InstallErrors(err, *reinterpret_cast<jpeg_common_struct*>(&cinfo));
    err.quiet = memory != nullptr;
    if (setjmp(err.jump)) {
        if (memory && memory->why)
            *memory->why = err.message;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = JpegScanGuard;
    cinfo.progress = &progress;
    if (memory)
        jpeg_mem_src(&cinfo, memory->data, static_cast<unsigned long>(memory->size));
    else
        jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    if (mode == DecodeMode::Size) {
        out->width = int(cinfo.image_width);
        out->height = int(cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    jpeg_calc_output_dimensions(&cinfo);
    const uint64_t pixels = uint64_t(cinfo.output_width) * uint64_t(cinfo.output_height);
    if (pixels == 0 || pixels > maxPixels) {
        if (memory && memory->why)
            *memory->why = "picture of " + std::to_string(cinfo.output_width) + "x" +
                           std::to_string(cinfo.output_height) + " refused";
        else
            CVersions::Print(false, "error: ReadJpeg picture of %ux%u refused\n", unsigned(cinfo.output_width),
                             unsigned(cinfo.output_height));
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    const size_t rgbRow = size_t(cinfo.output_width) * 3;
    out->pixels = new (std::nothrow) uint8_t[rgbRow * cinfo.output_height]();
    if (!out->pixels) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    out->width = int(cinfo.output_width);
    out->height = int(cinfo.output_height);
    const int components = cinfo.output_components;
    out->components = components;
    JSAMPARRAY sample = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                   cinfo.output_width * JDIMENSION(components), 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, sample, 1) != 1)
            break;
        if (components == 3)
            CopyRgbRow(sample[0], int(cinfo.output_width), out->pixels, int(y));
        else if (components == 1)
            ExpandGreyRow(sample[0], int(cinfo.output_width), out->pixels, int(y));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

std::vector<uint8_t> GreyBuffer(const uint8_t* rgb, unsigned width, unsigned height)
{
    const size_t n = size_t(width) * size_t(height);
    std::vector<uint8_t> grey(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = rgb + 3 * i;
        grey[i] = uint8_t(0.587 * p[1] + 0.299 * p[0] + 0.114 * p[2]);
    }
    return grey;
}

} // namespace

void SetJpegErrorHook(JpegErrorHook hook)
{
    std::lock_guard lock(g_hookMutex);
    g_hook = std::move(hook);
}

int WriteJpegBytes(const std::string& name, const uint8_t* pixels, unsigned width, unsigned height, bool colour,
                   int quality, std::vector<uint8_t>* out)
{
    if (!pixels || width == 0 || height == 0)
        return 0;
    std::vector<uint8_t> grey;
    if (!colour)
        grey = GreyBuffer(pixels, width, height);
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    bool ok = Compress(&bytes, &size, colour ? pixels : grey.data(), width, height, colour ? 3 : 1, quality);
    if (ok && !name.empty())
        ok = platform::WriteFileAtomic(platform::ResolvePath(name), bytes, size_t(size));
    if (ok && out)
        out->assign(bytes, bytes + size);
    std::free(bytes);
    return ok ? 1 : 0;
}

int WriteJpeg(const std::string& name, uint8_t* pixels, unsigned width, unsigned height, bool colour, int quality,
              unsigned* byteCount)
{
    const bool readBack = byteCount && *byteCount != 0;
    std::vector<uint8_t> bytes;
    if (!WriteJpegBytes(name, pixels, width, height, colour, quality, readBack ? &bytes : nullptr))
        return 0;
    if (!readBack)
        return 1;
    *byteCount = unsigned(bytes.size());
    if (bytes.size() > size_t(width) * size_t(height) * 3)
        return 0;  // does not fit in the pixel buffer
    std::memcpy(pixels, bytes.data(), bytes.size());
    return 1;
}

std::unique_ptr<uint8_t[]> ReadJpegStream(FILE* file, int* width, int* height, uint64_t maxPixels)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (!file)
        return nullptr;
    Decoded d;
    if (!Decompress(file, DecodeMode::Pixels, maxPixels, &d)) {
        delete[] d.pixels;
        return nullptr;
    }
    if (width)
        *width = d.width;
    if (height)
        *height = d.height;
    return std::unique_ptr<uint8_t[]>(d.pixels);
}

std::unique_ptr<uint8_t[]> ReadJpeg(const std::string& name, int* width, int* height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    FILE* file = OpenForReading(name);
    if (!file)
        return nullptr;
    auto pixels = ReadJpegStream(file, width, height);
    std::fclose(file);
    return pixels;
}

std::unique_ptr<uint8_t[]> DecodeJpegMemory(const uint8_t* data, size_t size, int* width, int* height, bool* grey,
                                            std::string* why)
{
    *width = *height = 0;
    *grey = false;
    if (!data || size == 0)
        return nullptr;
    Decoded d;
    const MemorySource memory{data, size, why};
    if (!Decompress(nullptr, DecodeMode::Pixels, kMaxJpegPixels, &d, &memory)) {
        delete[] d.pixels;
        return nullptr;
    }
    *width = d.width;
    *height = d.height;
    *grey = d.components == 1;
    return std::unique_ptr<uint8_t[]>(d.pixels);
}

int ReadJpegSizeStream(FILE* file, int* width, int* height)
{
    if (!file)
        return 0;
    Decoded d;
    if (!Decompress(file, DecodeMode::Size, kMaxJpegPixels, &d))
        return 0;
    if (width)
        *width = d.width;
    if (height)
        *height = d.height;
    return 1;
}

int ReadJpegSize(const std::string& name, int* width, int* height)
{
    FILE* file = OpenForReading(name);
    if (!file)
        return 0;
    int r = ReadJpegSizeStream(file, width, height);
    std::fclose(file);
    return r;
}

int FlipRows(uint8_t* data, unsigned rowBytes, unsigned rows)
{
    if (!data)
        return 0;
    std::vector<uint8_t> tmp;
    try {
        tmp.resize(rowBytes);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (unsigned k = 0; k < rows / 2; ++k) {
        uint8_t* a = data + size_t(k) * rowBytes;
        uint8_t* b = data + size_t(rows - 1 - k) * rowBytes;
        std::memcpy(tmp.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, tmp.data(), rowBytes);
    }
    return 1;
}

int SwapRedBlue(uint8_t* data, unsigned width, unsigned height)
{
    if (!data)
        return 0;
    const size_t n = size_t(width) * size_t(height);
    for (size_t i = 0; i < n; ++i)
        std::swap(data[3 * i], data[3 * i + 2]);
    return 1;
}

int RgbToGrey(uint8_t* data, unsigned width, unsigned height)
{
    if (!data)
        return 0;
    const size_t n = size_t(width) * size_t(height);
    for (size_t i = 0; i < n; ++i) {
        uint8_t* p = data + 3 * i;
        const uint8_t v = uint8_t(0.587 * p[1] + 0.299 * p[0] + 0.114 * p[2]);
        p[0] = p[1] = p[2] = v;
    }
    return 1;
}

std::unique_ptr<uint8_t[]> RgbToPaddedRows(const uint8_t* data, unsigned width, unsigned height, unsigned* rowBytes)
{
    if (!data)
        return nullptr;
    const size_t padded = ((24 * size_t(width) + 31) / 32) * 4;
    std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[padded * height]());
    if (!out)
        return nullptr;
    for (unsigned y = 0; y < height; ++y)
        std::memcpy(out.get() + padded * y, data + size_t(width) * 3 * y, size_t(width) * 3);
    if (rowBytes)
        *rowBytes = unsigned(padded);
    return out;
}

std::unique_ptr<uint8_t[]> PaddedRowsToRgb(const uint8_t* data, unsigned width, unsigned rowBytes, unsigned height)
{
    if (!data || rowBytes < size_t(width) * 3)
        return nullptr;
    const size_t row = size_t(width) * 3;
    std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[row * height]);
    if (!out)
        return nullptr;
    for (unsigned y = 0; y < height; ++y)
        std::memcpy(out.get() + row * y, data + size_t(rowBytes) * y, row);
    return out;
}

void CopyRgbRow(const uint8_t* row, int width, uint8_t* dst, int rowIndex)
{
    const size_t n = size_t(width) * 3;
    std::memcpy(dst + n * size_t(rowIndex), row, n);
}

void ExpandGreyRow(const uint8_t* row, int width, uint8_t* dst, int rowIndex)
{
    uint8_t* out = dst + size_t(width) * 3 * size_t(rowIndex);
    for (int x = 0; x < width; ++x) {
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = row[x];
    }
}
