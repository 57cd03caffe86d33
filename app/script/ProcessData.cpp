#include "app/script/ProcessData.h"

#include "foundation/core/Versions.h"
#include "platform/Paths.h"

#include <filesystem>

CProcessData::~CProcessData() = default;

bool CProcessData::Create(const char* prefix, IScriptScene* scene, int index)
{
    Close();
    const std::string p = prefix ? prefix : "";
    const std::string n = std::to_string(index);
    m_runEventName = p + "-1-" + n;
    m_compileEventName = p + "-2-" + n;
    m_debugEventName = p + "-3-" + n;
    m_scene = scene;
    m_compileEvent = platform::CreateNamedEvent(m_compileEventName, true, false);
    if (!m_compileEvent)
        CVersions::Print(false, "CProcessData::Create failed OpenEvent COMPILEEVENT\r\n");
    m_runEvent = platform::CreateNamedEvent(m_runEventName, true, false);
    return true;
}

void CProcessData::Close()
{
    // An open script editor is closed here once the debugger link exists.
    m_runEvent.reset();
    m_compileEvent.reset();
    m_writeTime = 0;
    m_writeSize = -1;
    m_path.clear();
}

bool CProcessData::ScriptChanged()
{
    if (m_path.empty())
        return false;
    const std::filesystem::path file(platform::ResolvePath(m_path));
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(file, ec);
    if (ec)
        return false;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec)
        return false;
    const int64_t stamp = int64_t(written.time_since_epoch().count());
    if (stamp != m_writeTime || int64_t(size) != m_writeSize) {
        m_writeTime = stamp;
        m_writeSize = int64_t(size);
        if (m_compileEvent)
            m_compileEvent->Reset();
        return true;
    }
    if (m_compileEvent && m_compileEvent->IsSet()) {
        m_compileEvent->Reset();
        return true;
    }
    return false;
}
