#include "app/script/ProcessData.h"

#include "foundation/core/FileHelpers.h"
#include "foundation/core/Versions.h"
#include "platform/Paths.h"

#include <filesystem>

CProcessData::~CProcessData()
{
    if (m_link)
        m_link->Close();
}

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
    m_link = CDebugLink::Make(m_runEventName);
    return true;
}

void CProcessData::Close()
{
    if (m_link)
        m_link->Close();
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
    // Something there that has no size (a FIFO, a folder) is still a change:
    // the compile refuses it with a line naming it, once per write time.
    const auto bytes = std::filesystem::file_size(file, ec);
    const int64_t size = ec ? -1 : int64_t(bytes);
    const int64_t stamp = int64_t(written.time_since_epoch().count());
    if (stamp != m_writeTime || size != m_writeSize) {
        m_writeTime = stamp;
        m_writeSize = size;
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

std::string CProcessData::EditorPath() const
{
    std::string path = m_path;
    for (size_t at = path.find(".luac"); at != std::string::npos; at = path.find(".luac", at + 4))
        path.erase(at + 4, 1);
    return path;
}

bool CProcessData::ToggleEditor(bool topmost)
{
    if (!m_link)
        return true;
    CDebugLink::EditorRequest request;
    request.kind = CDebugLink::EditorRequest::Toggle;
    request.topmost = topmost;
    if (!m_link->IsEditorOpen()) {
        request.path = EditorPath();
        if (GetFileLength(request.path) == 0)
            CVersions::Print(false, "CProcessData::Path not found or empty:\n%s", request.path.c_str());
        request.runEvent = m_runEventName;
        request.debugEvent = m_debugEventName;
        request.compileEvent = m_compileEventName;
    }
    if (!m_link->RequestEditor(std::move(request)))
        CVersions::Print(false, "CProcessData::ToggleEditor can't reach the editor of %s\r\n", m_runEventName.c_str());
    return true;
}

bool CProcessData::IsEditorOpen() const
{
    return m_link && m_link->IsEditorOpen();
}

bool CProcessData::IsDebugging() const
{
    return m_link && m_link->IsDebugging();
}

bool CProcessData::IsSingleStep() const
{
    return m_link && m_link->IsSingleStep();
}

bool CProcessData::HasBreakpoint(int line) const
{
    return m_link && m_link->HasBreakpoint(line);
}

CDebugLink::StopResult CProcessData::ShowBreak(int line, const std::vector<std::string>& list)
{
    if (!m_link)
        return CDebugLink::StopResult::Closed;
    return m_link->ShowBreak(line, list);
}

void CProcessData::ShowLine(int line)
{
    if (!IsEditorOpen())
        return;
    CDebugLink::EditorRequest request;
    request.kind = CDebugLink::EditorRequest::Line;
    request.line = line;
    m_link->RequestEditor(std::move(request));
}

void CProcessData::ShowError(int line, const std::string& text)
{
    if (!IsEditorOpen())
        return;
    CDebugLink::EditorRequest request;
    request.kind = CDebugLink::EditorRequest::Error;
    request.line = line;
    request.text = text;
    m_link->RequestEditor(std::move(request));
}

void CProcessData::CloseEditor()
{
    if (!IsEditorOpen())
        return;
    CDebugLink::EditorRequest request;
    request.kind = CDebugLink::EditorRequest::Close;
    m_link->RequestEditor(std::move(request));
}

bool CProcessData::IsEditorVisible() const
{
    return m_link && m_link->IsEditorVisible();
}
