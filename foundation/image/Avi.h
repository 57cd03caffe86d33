#pragma once
#include "foundation/image/AviFile.h"
#include "foundation/image/Dib.h"

#include <functional>
#include <memory>
#include <string>

// Plays the video stream of an AVI file into the image buffer, and records frames
// into new AVI files "<name>(n).avi".
class CAvi : public CDib {
public:
    CAvi() = default;
    ~CAvi() override;

    bool Update() override;
    // While recording: appends bits as the next frame, then draws them into dc.
    int Draw(ImageDC dc, const void* bits, const ImageRect* rect) override;
    // Starts a recording (without bits uncompressed, with bits the user picks the
    // encoder); while a video plays, saves the current picture instead.
    bool Save(const char* name, const void* bits) override;
    bool ComInfo(int command, ImageComValue value, unsigned flags, int extra, void* data) override;
    bool Create(int width, int height, int bitsPerPixel, int a = 0, int b = 0, int c = 1) override;
    void Destroy() override;
    void Reset() override;
    bool Load(const char* name) override;
    int Control(int code) override;
    float GetRate() override;
    // Decodes frame index modulo the length; mode 111 draws it upside down.
    uint8_t* GetFrame(int index, int mode) override;
    int GetPicNum() override { return CDib::GetPicNum(); }
    bool IsLive() override { return m_recording; }

    // Draws source's picture over the whole image and appends it as the next frame.
    int RecordFrom(const CImageSource* source);
    // Decodes every frame of a file as 24-bit pictures; 1 when the file was read.
    int GetInfoText(const std::string& name);
    int CopyFrameBits(const BitmapInfo* frame, const uint8_t* bits);

    // Finishes the file being recorded (it is written on Destroy otherwise); false
    // when nothing was recorded or the recording is lost, which is logged with its name.
    bool FinishRecording();

    int GetLength() const { return m_length; }
    int GetCurrentFrame() const { return m_currentFrame; }
    float GetFrameTime() const { return m_frameTime; }
    int GetFileCounter() const { return m_fileCounter; }
    int GetWrittenFrames() const { return m_writtenFrames; }
    bool IsRecording() const { return m_recording; }
    // The name of the file being (or last) recorded.
    const std::string& GetRecordName() const { return m_recordName; }
    const std::string& GetInfo() const { return m_infoText; }

    // Where failures are shown; by default a message box (posted to the GUI thread
    // from other threads). Tests capture them.
    using MessageFn = std::function<void(const std::string&)>;
    static void SetMessageBox(MessageFn fn);
    // Picks the encoder of a recording: fills codec, false when cancelled. By
    // default a dialog listing the encoders (on the GUI thread only).
    using CompressorFn = std::function<bool(std::string& codec)>;
    static void SetCompressorChooser(CompressorFn fn);
    // Sources holding the video library open (each Create takes it once, Destroy lets go).
    static int LibraryUsers();

private:
    void Message(const std::string& text);
    bool Failed(const std::string& text);
    void TakeLibrary();
    void ReleaseLibrary();
    bool WriteFrame(const void* bits);
    // Logs the first frame of the playing file that cannot be decoded.
    void DecodeFailed(int64_t index);

    std::unique_ptr<AviReader> m_reader;
    std::unique_ptr<AviWriter> m_writer;
    bool m_holdsLibrary = false;
    int m_writtenFrames = 0;
    int m_length = 1;
    int m_currentFrame = 0;
    std::string m_outputName;
    std::string m_recordName;
    std::string m_playName;     // the file being played, for log lines
    bool m_decodeFailed = false;
    float m_frameTime = 1.0f;
    bool m_recording = false;
    int m_fileCounter = 0;
    std::string m_infoText;
    CFrameTimer m_timer;
};
