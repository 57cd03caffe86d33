#include "foundation/image/DynaCam.h"

#include "foundation/core/Versions.h"
#include "foundation/image/SourceNames.h"
#include "platform/Paths.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex g_folderLock;
std::string g_pluginFolder;

template <typename Fn>
bool Bind(const platform::SharedLibrary& module, const char* name, Fn& out)
{
    out = reinterpret_cast<Fn>(module.Symbol(name));
    if (!out)
        return CVersions::Print(false, "Error : CDynaCam::Create GetProcAddress %s\n", name);
    return true;
}

} // namespace

void SetCameraPluginFolder(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(g_folderLock);
    g_pluginFolder = folder;
}

std::string GetCameraPluginFolder()
{
    std::lock_guard<std::mutex> lock(g_folderLock);
    return g_pluginFolder.empty() ? platform::JoinPath(platform::ExecutableFolder(), "plugins") : g_pluginFolder;
}

std::string CameraModulePath(const std::string& moduleName)
{
    if (moduleName.empty() || moduleName.find_first_of("/\\:") != std::string::npos)
        return {};
    std::string base = moduleName;
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    return platform::JoinPath(GetCameraPluginFolder(), "lib" + base + ".so");
}

std::string CameraModuleFor(const char* sourceName)
{
    if (!sourceName)
        return {};
    const std::string n = sourceName;
    static const struct {
        const char* part;
        const char* module;
    } kRows[] = {
        {".pip", "Drummelow.dll"}, {".int", "Wexlarin.dll"},   {".ini", "Hollensard.dll"}, {".dxs", "Pennowick.dll"},
        {".tuc", "Garranfell.dll"}, {".sca", "Lossivane.dll"}, {".lip", "Throbbeck.dll"},  {".nok", "Cudderby.dll"},
        {".vid", "Amblethorn.dll"}, {".win", "Ressingale.dll"}, {nullptr, "Fenwarrick.dll"}, {".mcf", "Tolvernack.dll"},
        {".gig", "Holmspurry.dll"}, {".ccf", "Yelvantor.dll"}, {".fpp", "Nessimbrook.dll"}, {".idc", "Ombervale.dll"},
        {".xml", "Kestrivan.dll"},  {".seq", "Ulvarrick.dll"},
    };
    const bool noExtension = ExtensionOf(n).empty();
    for (const auto& row : kRows) {
        if (row.part ? n.find(row.part) != std::string::npos : noExtension)
            return row.module;
    }
    if (IsNetworkName(n))
        return "Sorrelwick.dll";
    return {};
}

void CDynaCam::Release()
{
    // a module whose camera was never created gets no Delete
    if (m_pFcDelete && m_created)
        m_pFcDelete();
    m_created = false;
    m_module.Close();
    m_pFcStop = nullptr;
    m_pFcStart = nullptr;
    m_pFcComInfo = nullptr;
    m_pFcSetTrigger = nullptr;
    m_pFcIsLive = nullptr;
    m_pFcCreate = nullptr;
    m_pFcDelete = nullptr;
    m_pFcGetText = nullptr;
    m_pFcGetFrame = nullptr;
    m_pFcGetPicNum = nullptr;
    m_pFcSetPicNum = nullptr;
    m_pFcGetDimension = nullptr;
}

bool CDynaCam::Create(const char* moduleName, unsigned a, unsigned b, const char* sourceName, int width, int height,
                      int c, int bitsPerPixel)
{
    Release();
    const char* source = sourceName ? sourceName : "";
    if (moduleName) {
        const std::string path = CameraModulePath(moduleName);
        if (path.empty() || !m_module.Open(path))
            return CVersions::Print(false, "Error : CDynaCam::Create LoadDLL %s %s\n", moduleName, source);
    }
    if (!Bind(m_module, "Stop", m_pFcStop) || !Bind(m_module, "Start", m_pFcStart) ||
        !Bind(m_module, "ComInfo", m_pFcComInfo) || !Bind(m_module, "IsLive", m_pFcIsLive) ||
        !Bind(m_module, "SetTrigger", m_pFcSetTrigger) || !Bind(m_module, "Create", m_pFcCreate) ||
        !Bind(m_module, "Delete", m_pFcDelete) || !Bind(m_module, "GetText", m_pFcGetText) ||
        !Bind(m_module, "GetFrame", m_pFcGetFrame) || !Bind(m_module, "GetPicNum", m_pFcGetPicNum) ||
        !Bind(m_module, "SetPicNum", m_pFcSetPicNum) || !Bind(m_module, "GetDimension", m_pFcGetDimension))
        return false;
    m_created = true;
    if (!m_pFcCreate(a, b, source, width, height, c, bitsPerPixel))
        return CVersions::Print(false, "Error : CDynaCam::Create m_pFcCreate %s %s\n", moduleName ? moduleName : "",
                                source);
    return true;
}

void CDynaCam::Stop()
{
    if (m_pFcStop)
        m_pFcStop();
}

bool CDynaCam::Start(bool on) { return m_pFcStart ? m_pFcStart(on) : false; }

bool CDynaCam::ComInfo(int command, ImageComValue value, unsigned flags, int extra, void* data)
{
    if (!m_pFcComInfo)
        return false;
    const ImageComValue copy = value;
    return m_pFcComInfo(command, &copy, flags, extra, data);
}

bool CDynaCam::SetTrigger(bool on) { return m_pFcSetTrigger ? m_pFcSetTrigger(on) : false; }
bool CDynaCam::IsLive() { return m_pFcIsLive ? m_pFcIsLive() : false; }
const char* CDynaCam::GetText(unsigned index) { return m_pFcGetText ? m_pFcGetText(index) : nullptr; }
uint8_t* CDynaCam::GetFrame(unsigned index) { return m_pFcGetFrame ? m_pFcGetFrame(index) : nullptr; }
int CDynaCam::GetPicNum() { return m_pFcGetPicNum ? m_pFcGetPicNum() : 0; }
bool CDynaCam::SetPicNum(unsigned number) { return m_pFcSetPicNum ? m_pFcSetPicNum(number) : false; }

void CDynaCam::GetDimension(int* width, int* height, int* bitsPerPixel)
{
    if (m_pFcGetDimension)
        m_pFcGetDimension(width, height, bitsPerPixel);
}

bool CreateCameraPlugin(CDynaCam** out, unsigned a, unsigned b, const char* name, int width, int height, int c,
                        int bitsPerPixel)
{
    if (!out || !name)
        return false;
    auto* cam = new (std::nothrow) CDynaCam();
    *out = cam;
    if (!cam)
        return false;
    const std::string module = CameraModuleFor(name);
    if (cam->Create(module.c_str(), a, b, name, width, height, c, bitsPerPixel))
        return true;
    cam->Release();
    delete cam;
    *out = nullptr;
    return false;
}

void ReleaseCameraPlugin(CDynaCam** camera)
{
    if (!camera || !*camera)
        return;
    (*camera)->Release();
    delete *camera;
    *camera = nullptr;
}
