#pragma once
#include "foundation/image/ImageSource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Largest frame the reader decodes (width x height).
constexpr uint64_t kMaxVideoPixels = uint64_t(1) << 26;

// The video stream of an AVI (or other container) file, decoded frame by frame
// into bottom-up rows of 8 (grey), 24 or 32 bits.
class AviReader {
public:
    AviReader();
    ~AviReader();
    AviReader(const AviReader&) = delete;
    AviReader& operator=(const AviReader&) = delete;

    // A local file whose container is one of demuxers (FFmpeg's names, comma
    // separated); streams and frames above kMaxVideoPixels are refused.
    bool Open(const std::string& path, const std::string& demuxers = "avi");
    void Close();
    bool IsOpen() const;
    int64_t Length() const { return m_length; }
    // Milliseconds of one frame, rounded to whole milliseconds.
    int64_t FrameMs() const { return m_frameMs; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BitCount() const { return m_bitCount; }
    // A decoded frame: header (positive height, bottom-up rows) then pixels; null
    // when the frame cannot be had. Valid until the next call.
    const BitmapInfo* GetFrame(int64_t index);
    const uint8_t* FrameBits() const { return m_bits.data(); }
    // Asks for frames of this size and depth from now on (0: the stream's own);
    // false, keeping the output as it was, for a size above kMaxVideoPixels.
    bool SetOutput(int width, int height, int bitCount);

    struct Impl;

private:
    bool Opened();

    std::unique_ptr<Impl> m;
    int64_t m_length = 0;
    int64_t m_frameMs = 0;
    int m_width = 0, m_height = 0, m_bitCount = 0;
    BitmapInfo m_header;
    std::vector<uint8_t> m_bits;
};

enum class AviOpen {
    Ok,
    File,     // the file cannot be created
    Stream,   // no AVI stream can be made
    Encoder,  // the encoder is missing or refuses the size and depth
    Format,   // the file's header cannot be written
};

// A new AVI file with one video stream of fixed size and depth, written under a
// temporary name and renamed into place when finished.
class AviWriter {
public:
    AviWriter();
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // codec: an encoder name ("rawvideo" for uncompressed frames, "mjpeg", ...).
    AviOpen Open(const std::string& path, int width, int height, int bitCount, int rate, const std::string& codec);
    // Rows of the opened size and depth (bottom-up unless topDown), as frame number index.
    bool Write(int64_t index, const void* bits, bool topDown = false);
    // Finishes the file; false when it is lost (a write, its end, or putting it in
    // place failed), with why saying which.
    bool Close(std::string* why = nullptr);
    bool IsOpen() const;
    // The file's path as opened (empty once closed).
    const std::string& Path() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

// Video encoders an AVI file can hold: (name, description), uncompressed first.
std::vector<std::pair<std::string, std::string>> AviEncoders();

// The information of a file's first video stream (frames above kMaxVideoPixels are
// not decoded to find it).
struct AviFileInfo {
    int width = 0, height = 0;
    int64_t length = 0;
    int64_t maxBytesPerSecond = 0;
    int rate = 0;
    int streams = 0;
    int fileType = 0;
};
bool ReadAviFileInfo(const std::string& path, AviFileInfo& info);
