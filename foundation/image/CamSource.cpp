#include "foundation/image/CamSource.h"

#include <cstdlib>
#include <new>

CCamSource::~CCamSource() { CCamSource::Destroy(); }

bool CCamSource::Update()
{
    m_timer.Tick();
    return true;
}

bool CCamSource::SendHook() { return ComInfo(0, ImageComValue{}, 8, 0, nullptr); }

void CCamSource::Hook1() { SendHook(); }
bool CCamSource::Hook2()
{
    SendHook();
    return true;
}
bool CCamSource::Hook3()
{
    SendHook();
    return true;
}
bool CCamSource::Hook4()
{
    SendHook();
    return true;
}

bool CCamSource::ComInfo(int command, ImageComValue value, unsigned flags, int extra, void* data)
{
    return m_camera ? m_camera->ComInfo(command, value, flags, extra, data) : false;
}

bool CCamSource::Create(int width, int height, int bitsPerPixel, int a, int b, int c)
{
    Destroy();
    m_paramA = a;
    m_paramB = b;
    m_paramC = c;
    return CDib::Create(width, height, bitsPerPixel, 0, 0, 1);
}

void CCamSource::Destroy()
{
    CDib::Destroy();
    ReleaseCameraPlugin(&m_camera);
    m_frameHeader.reset();
}

void CCamSource::Reset() { m_timer.Reset(); }

bool CCamSource::Load(const char* name)
{
    if (!CreateCameraPlugin(&m_camera, unsigned(m_paramA), unsigned(m_paramB), name, CDib::GetWidth(),
                            CDib::GetHeight(), m_paramC, CDib::GetBitCount()))
        return true;  // no plug-in: a plain image
    int w = 0, h = 0, bits = 0;
    m_camera->GetDimension(&w, &h, &bits);
    if (w != CDib::GetWidth() || h != CDib::GetHeight() || bits != CDib::GetBitCount()) {
        if (!CDib::Create(w, h, bits, 0, 0, 1))
            return false;
    }
    auto header = std::unique_ptr<BitmapInfo>(new (std::nothrow) BitmapInfo());
    if (!header)
        return false;
    BitmapInfoHeader& f = header->bmiHeader;
    f.biSize = 40;
    f.biWidth = w;
    f.biHeight = h;  // positive: bottom-up frames
    f.biPlanes = 1;
    f.biBitCount = uint16_t(bits);
    f.biCompression = 0;
    f.biSizeImage = uint32_t(bits / 8) * uint32_t(std::abs(h)) * uint32_t(w);
    f.biClrUsed = bits == 8 ? 256 : 0;
    if (bits == 8)
        SetGreyPalette(header.get(), 0xFFFFFF, 1);
    m_frameHeader = std::move(header);
    m_camera->Start(true);
    return true;
}

int CCamSource::Control(int code)
{
    if (code == -5 || code == 4 || code == 10)
        return 0x0FFFFFFF;
    if (code == -20)
        return 1;
    return 0;
}

float CCamSource::GetRate() { return float(m_timer.GetRate()); }

const char* CCamSource::GetText(unsigned index) { return m_camera ? m_camera->GetText(index) : nullptr; }

uint8_t* CCamSource::GetFrame(int index, int mode)
{
    if (!m_camera)
        return nullptr;
    const unsigned i = index == 0x7FFFFFFF ? unsigned(m_camera->GetPicNum()) : unsigned(index);
    uint8_t* pixels = m_camera->GetFrame(i);
    if (pixels && m_frameHeader && mode != 1)
        DrawBits(pixels, m_frameHeader.get());
    return pixels;
}

void CCamSource::GetDimension(int* width, int* height, int* bitsPerPixel) const
{
    if (m_camera) {
        m_camera->GetDimension(width, height, bitsPerPixel);
        return;
    }
    if (m_frameHeader) {
        const BitmapInfoHeader& f = m_frameHeader->bmiHeader;
        if (width)
            *width = f.biWidth;
        if (height)
            *height = std::abs(f.biHeight);
        if (bitsPerPixel)
            *bitsPerPixel = f.biBitCount;
        return;
    }
    CDib::GetDimension(width, height, bitsPerPixel);
}

int CCamSource::GetPicNum() { return m_camera ? m_camera->GetPicNum() : 0; }
bool CCamSource::SetPicNum(int number) { return m_camera ? m_camera->SetPicNum(unsigned(number)) : false; }
bool CCamSource::SetTrigger(bool on) { return m_camera ? m_camera->SetTrigger(on) : false; }
void CCamSource::Stop()
{
    if (m_camera)
        m_camera->Stop();
}
bool CCamSource::Start(bool on) { return m_camera ? m_camera->Start(on) : false; }
bool CCamSource::IsLive() { return m_camera ? m_camera->IsLive() : false; }
