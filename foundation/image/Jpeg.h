#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// JPEG files through libjpeg (interface version 62). Pixel buffers are rows of
// three bytes a pixel (red, green, blue), first row first, without padding.

// Writes a baseline JPEG. colour false writes one grey component made of
// 0.299 R + 0.587 G + 0.114 B. The picture is compressed in memory; a named file
// is written through the atomic writer, an empty name writes no file. When *byteCount is not 0 on entry the written
// bytes are read back into pixels and *byteCount receives their number; when they
// do not fit in width x height x 3 bytes nothing is copied, *byteCount receives the
// length needed and the result is 0. Returns 1 on success, 0 on failure.
int WriteJpeg(const std::string& name, uint8_t* pixels, unsigned width, unsigned height, bool colour, int quality,
              unsigned* byteCount);
// The same; with out given, the written bytes are returned there (any length).
int WriteJpegBytes(const std::string& name, const uint8_t* pixels, unsigned width, unsigned height, bool colour,
                   int quality, std::vector<uint8_t>* out);

// Reads a JPEG into a new RGB buffer (grey files give three equal bytes a pixel);
// null on failure, with width and height 0.
std::unique_ptr<uint8_t[]> ReadJpeg(const std::string& name, int* width, int* height);
// Largest picture the reader decodes (width x height).
constexpr uint64_t kMaxJpegPixels = uint64_t(1) << 26;
// The same from an open stream (left open), refusing pictures above maxPixels.
std::unique_ptr<uint8_t[]> ReadJpegStream(FILE* file, int* width, int* height, uint64_t maxPixels = kMaxJpegPixels);
// The same from bytes in memory, with no error box or log line: a fault is put in
// `why`. `grey` tells a one-component file.
std::unique_ptr<uint8_t[]> DecodeJpegMemory(const uint8_t* data, size_t size, int* width, int* height, bool* grey,
                                            std::string* why);
// The stored width and height; 1 on success, 0 on failure.
int ReadJpegSize(const std::string& name, int* width, int* height);
int ReadJpegSizeStream(FILE* file, int* width, int* height);

// Where libjpeg's fatal errors go: the text is "JPEG Fatal Error" plus the
// library's message. The default shows a message box on the GUI thread of a
// widget application; elsewhere (other threads, tests) it logs the message and
// posts the box to the GUI thread when there is one. Null restores the default.
using JpegErrorHook = std::function<void(const char* message)>;
void SetJpegErrorHook(JpegErrorHook hook);

// Row utilities. Each returns 0 for null data (or a failed allocation), else 1.
int FlipRows(uint8_t* data, unsigned rowBytes, unsigned rows);
int SwapRedBlue(uint8_t* data, unsigned width, unsigned height);
int RgbToGrey(uint8_t* data, unsigned width, unsigned height);
// New buffer with rows padded to four bytes; *rowBytes receives the padded length.
std::unique_ptr<uint8_t[]> RgbToPaddedRows(const uint8_t* data, unsigned width, unsigned height, unsigned* rowBytes);
std::unique_ptr<uint8_t[]> PaddedRowsToRgb(const uint8_t* data, unsigned width, unsigned rowBytes, unsigned height);
void CopyRgbRow(const uint8_t* row, int width, uint8_t* dst, int rowIndex);
void ExpandGreyRow(const uint8_t* row, int width, uint8_t* dst, int rowIndex);
