#pragma once
#include "foundation/image/Dib.h"
#include "foundation/image/DynaCam.h"

#include <memory>

// Live pictures from a camera plug-in, drawn into the image buffer. Without a
// plug-in it is a plain image that answers the camera operations with 0 or false.
class CCamSource : public CDib {
public:
    CCamSource() = default;
    ~CCamSource() override;

    bool Update() override;
    void Hook1() override;
    bool Hook2() override;
    bool Hook3() override;
    bool Hook4() override;
    bool ComInfo(int command, ImageComValue value, unsigned flags, int extra, void* data) override;
    bool Create(int width, int height, int bitsPerPixel, int a = 0, int b = 0, int c = 1) override;
    void Destroy() override;
    void Reset() override;
    bool Load(const char* name) override;
    int Control(int code) override;
    float GetRate() override;
    const char* GetText() override { return GetText(0); }
    const char* GetText(unsigned index);
    // Index 0x7FFFFFFF: the camera's current picture. Mode 1 fetches without drawing.
    uint8_t* GetFrame(int index, int mode) override;
    void GetDimension(int* width, int* height, int* bitsPerPixel) const override;
    int GetPicNum() override;
    bool SetPicNum(int number) override;
    bool SetTrigger(bool on) override;
    void Stop() override;
    bool Start(bool on) override;
    bool IsLive() override;

    CDynaCam* GetCamera() const { return m_camera; }
    const BitmapInfo* GetFrameHeader() const { return m_frameHeader.get(); }

private:
    bool SendHook();

    CDynaCam* m_camera = nullptr;
    std::unique_ptr<BitmapInfo> m_frameHeader;
    int m_paramA = 0;
    int m_paramB = 0;
    int m_paramC = 1;
    CFrameTimer m_timer;
};
