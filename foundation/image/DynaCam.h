#pragma once
#include "foundation/image/ImageSource.h"
#include "platform/SharedLibrary.h"

#include <string>

// The camera interface the camera source talks to.
class CCamBase {
public:
    CCamBase() = default;
    virtual ~CCamBase() = default;
    CCamBase(const CCamBase&) = delete;
    CCamBase& operator=(const CCamBase&) = delete;

    virtual void Stop() {}
    virtual bool Start(bool /*on*/) { return false; }
    virtual void Release() {}
    virtual bool Create(const char* /*moduleName*/, unsigned /*a*/, unsigned /*b*/, const char* /*sourceName*/,
                        int /*width*/, int /*height*/, int /*c*/, int /*bitsPerPixel*/)
    {
        return false;
    }
    virtual bool ComInfo(int /*command*/, ImageComValue /*value*/, unsigned /*flags*/, int /*extra*/, void* /*data*/)
    {
        return false;
    }
    virtual bool SetTrigger(bool /*on*/) { return false; }
    virtual bool IsLive() { return false; }
    virtual const char* GetText(unsigned /*index*/) { return nullptr; }
    virtual uint8_t* GetFrame(unsigned /*index*/) { return nullptr; }
    virtual int GetPicNum() { return 0; }
    virtual bool SetPicNum(unsigned /*number*/) { return false; }
    virtual void GetDimension(int* /*width*/, int* /*height*/, int* /*bitsPerPixel*/) {}
};

// The twelve plain functions a camera plug-in exports.
extern "C" {
using CamStopFn = void (*)();
using CamStartFn = bool (*)(bool);
using CamComInfoFn = bool (*)(int, const ImageComValue*, unsigned, int, void*);
using CamSetTriggerFn = bool (*)(bool);
using CamIsLiveFn = bool (*)();
using CamCreateFn = bool (*)(unsigned, unsigned, const char*, int, int, int, int);
using CamDeleteFn = void (*)();
using CamGetTextFn = const char* (*)(unsigned);
using CamGetFrameFn = uint8_t* (*)(unsigned);
using CamGetPicNumFn = int (*)();
using CamSetPicNumFn = bool (*)(unsigned);
using CamGetDimensionFn = void (*)(int*, int*, int*);
}

// A camera served by a plug-in module "lib<Name>.so" in the plug-in folder.
class CDynaCam : public CCamBase {
public:
    CDynaCam() = default;
    ~CDynaCam() override = default;

    void Stop() override;
    bool Start(bool on) override;
    // Lets go of any previous module, loads this one (a name such as "Fenwarrick.dll"
    // becomes <plug-in folder>/libFenwarrick.so), binds the exports and creates the camera.
    void Release() override;
    bool Create(const char* moduleName, unsigned a, unsigned b, const char* sourceName, int width, int height, int c,
                int bitsPerPixel) override;
    bool ComInfo(int command, ImageComValue value, unsigned flags, int extra, void* data) override;
    bool SetTrigger(bool on) override;
    bool IsLive() override;
    const char* GetText(unsigned index) override;
    uint8_t* GetFrame(unsigned index) override;
    int GetPicNum() override;
    bool SetPicNum(unsigned number) override;
    void GetDimension(int* width, int* height, int* bitsPerPixel) override;

    bool IsLoaded() const { return m_module.IsOpen(); }

private:
    platform::SharedLibrary m_module;
    CamStopFn m_pFcStop = nullptr;
    CamStartFn m_pFcStart = nullptr;
    CamComInfoFn m_pFcComInfo = nullptr;
    CamSetTriggerFn m_pFcSetTrigger = nullptr;
    CamIsLiveFn m_pFcIsLive = nullptr;
    CamCreateFn m_pFcCreate = nullptr;
    CamDeleteFn m_pFcDelete = nullptr;
    CamGetTextFn m_pFcGetText = nullptr;
    CamGetFrameFn m_pFcGetFrame = nullptr;
    CamGetPicNumFn m_pFcGetPicNum = nullptr;
    CamSetPicNumFn m_pFcSetPicNum = nullptr;
    CamGetDimensionFn m_pFcGetDimension = nullptr;
    bool m_created = false;  // the module's Create was called
};

// Folder the plug-in modules are loaded from: "<executable folder>/plugins" unless set.
void SetCameraPluginFolder(const std::string& folder);
std::string GetCameraPluginFolder();
// "Drummelow.dll" -> "<plug-in folder>/libDrummelow.so"; "" for an empty name or
// one holding a folder part (modules come from the plug-in folder only).
std::string CameraModulePath(const std::string& moduleName);
// The module that serves a camera source name ("" when none does).
std::string CameraModuleFor(const char* sourceName);

bool CreateCameraPlugin(CDynaCam** out, unsigned a, unsigned b, const char* name, int width, int height, int c,
                        int bitsPerPixel);
void ReleaseCameraPlugin(CDynaCam** camera);
