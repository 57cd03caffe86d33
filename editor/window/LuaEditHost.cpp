#include "editor/window/LuaEditHost.h"

#include "editor/window/LuaEditor.h"
#include "foundation/core/Versions.h"
#include "platform/KeyState.h"

#include <QCoreApplication>

#include <map>

namespace {

// The open editors by script (run-event name). GUI thread only.
std::map<std::string, std::unique_ptr<CLuaEditHost>>& Hosts()
{
    static std::map<std::string, std::unique_ptr<CLuaEditHost>> hosts;
    return hosts;
}

} // namespace

CLuaEditHost::CLuaEditHost(const std::string& path, const std::string& runEvent, const std::string& debugEvent,
                           const std::string& compileEvent)
{
    m_pEditor = new CLuaEditor(runEvent, debugEvent, compileEvent, nullptr);
    m_pEditor->m_strPath = path;
    m_pEditor->m_strName = runEvent;
}

CLuaEditHost::~CLuaEditHost()
{
    CLuaEditor* editor = m_pEditor;
    m_pEditor = nullptr;
    if (!editor)
        return;
    // A dialog's loop of the editor may run below this call with the editor on
    // the stack: its dialogs are rejected and it goes once its commands returned.
    QObject::disconnect(editor, &CLuaEditor::Finished, nullptr, nullptr);
    editor->RejectDialogs();
    editor->Shutdown();  // an editor in its shutdown delay ends now
    editor->DisposeWhenIdle();
}

bool CLuaEditHost::InitInstance(const DebugLinkPtr& link)
{
    if (!m_pEditor || !m_pEditor->Create())
        return false;
    if (!m_pEditor->AttachDebugLink(link))
        return false;
    m_link = link;
    const std::string path = m_pEditor->m_strPath;
    if (!m_pEditor->LoadFile(path))
        return CVersions::Print(true, "CLuaEditHost::InitInstance can't open %s\r\n", path.c_str());
    return true;
}

void CLuaEditHost::Place(bool topmost)
{
    CLuaEditor* editor = m_pEditor;
    if (bool(editor->windowFlags() & Qt::WindowStaysOnTopHint) != topmost)
        editor->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);  // hides a shown window
    if (editor->isMinimized())
        editor->showNormal();
    else
        editor->show();
    editor->raise();
    if (m_link)
        m_link->SetVisible(true);
}

void CLuaEditHost::Toggle(const DebugLinkPtr& link, bool topmost)
{
    if (!m_pEditor->IsModified() && m_pEditor->isVisible() && !m_pEditor->isMinimized()) {
        m_pEditor->hide();
        link->SetVisible(false);
        return;
    }
    Place(topmost);
}

void CLuaEditHost::Install()
{
    CDebugLink::SetEditorHandler(&CLuaEditHost::OnRequest);
    platform::TrackKeyStates();
}

CLuaEditHost* CLuaEditHost::Find(const std::string& name)
{
    auto it = Hosts().find(name);
    return it == Hosts().end() ? nullptr : it->second.get();
}

void CLuaEditHost::OnRequest(const DebugLinkPtr& link, const CDebugLink::EditorRequest& request)
{
    auto& hosts = Hosts();
    const std::string& name = link->Name();
    CLuaEditHost* host = Find(name);
    const bool open = host && host->m_pEditor->WindowExists() && link->IsEditorOpen();
    using Kind = CDebugLink::EditorRequest;
    switch (request.kind) {
    case Kind::Toggle: {
        if (open) {
            host->Toggle(link, request.topmost);
            return;
        }
        if (request.path.empty() && request.runEvent.empty())
            return;  // asked while an editor was still closing: the next F11 opens one
        if (host)
            hosts.erase(name);  // one still closing ends before the new one takes the link
        auto made = std::make_unique<CLuaEditHost>(request.path, request.runEvent, request.debugEvent,
                                                   request.compileEvent);
        CLuaEditHost* fresh = made.get();
        if (!fresh->InitInstance(link)) {
            CVersions::Print(false, "CLuaEditHost can't open the editor of %s\r\n", name.c_str());
            return;  // the script runs on without an editor
        }
        // the host goes once its editor has shut down
        QObject::connect(fresh->m_pEditor, &CLuaEditor::Finished, fresh->m_pEditor, [name, fresh] {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [name, fresh] {
                    auto it = Hosts().find(name);
                    if (it != Hosts().end() && it->second.get() == fresh)
                        Hosts().erase(it);
                },
                Qt::QueuedConnection);
        });
        hosts[name] = std::move(made);
        fresh->Place(request.topmost);
        return;
    }
    case Kind::Close:
        if (open)
            host->m_pEditor->close();
        return;
    case Kind::Line:
        if (open)
            host->m_pEditor->Debugger().ShowLine(request.line);
        return;
    case Kind::Error:
        if (open)
            host->m_pEditor->Debugger().ShowError(request.line, request.text);
        return;
    }
}

bool CLuaEditHost::CloseAll(bool ask)
{
    auto& hosts = Hosts();
    if (ask) {
        // a question already open (the editor's own close) is answered first
        for (auto& [name, host] : hosts) {
            CLuaEditor* editor = host->m_pEditor;
            if (editor && editor->WindowExists() && editor->IsAsking()) {
                editor->RaiseForQuestion();
                return false;
            }
        }
    }
    for (auto& [name, host] : hosts)
        if (host->m_pEditor)
            host->m_pEditor->RejectDialogs();  // each one's exec returns once back in its loop
    for (auto it = hosts.begin(); it != hosts.end();) {
        CLuaEditor* editor = it->second->m_pEditor;
        if (editor && editor->WindowExists()) {
            if (ask) {
                if (editor->IsModified())
                    editor->RaiseForQuestion();  // the user sees which script is asked about
                if (!editor->OnClose())
                    return false;  // its save failed or Save As was cancelled: the program stays
            }
            editor->Shutdown();  // no second's delay at shutdown
        }
        // A dialog's loop may still run below this call with the editor on the
        // stack: the editor goes once its commands have returned.
        it->second->m_pEditor = nullptr;
        if (editor)
            editor->DisposeWhenIdle();
        it = hosts.erase(it);
    }
    return true;
}
