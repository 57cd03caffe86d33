#pragma once
// CLuaEditHost: one open script editor. The script host asks for editors
// through the script's debug link; the requests are handled here, on the GUI
// thread, where every editor window lives. A host holds its editor; the
// script side holds only the link.
#include "foundation/core/DebugLink.h"

#include <memory>
#include <string>

class CLuaEditor;

class CLuaEditHost {
public:
    // Makes the editor with the script's event names; its path is set and its
    // name is the run-event name (which keys its stored placement).
    CLuaEditHost(const std::string& path, const std::string& runEvent, const std::string& debugEvent,
                 const std::string& compileEvent);
    // The editor's open dialogs are rejected, it shuts down at once, and it is
    // deleted once none of its commands is running.
    ~CLuaEditHost();
    CLuaEditHost(const CLuaEditHost&) = delete;
    CLuaEditHost& operator=(const CLuaEditHost&) = delete;

    // Creates the window, connects it to the link and loads the script. A
    // missing or empty file is logged and leaves the editor open and empty with
    // its path, so that Save creates the file. False when the window cannot be made.
    bool InitInstance(const DebugLinkPtr& link);

    CLuaEditor* m_pEditor = nullptr;

    // Makes this the handler of every script's editor requests and starts the
    // key tracking the line hook reads. GUI thread, once the application exists.
    static void Install();
    // The request handler: toggle (open, show or hide), close, show a line or an error.
    static void OnRequest(const DebugLinkPtr& link, const CDebugLink::EditorRequest& request);
    // Shutdown: every editor closes as if the user closed it (asking to save,
    // its editor raised). False when one kept its text (its save failed or
    // was cancelled, or a question of its own close is still open): that editor
    // and the ones after it stay. Without ask, all close unasked.
    // Open dialogs are rejected; the editors are deleted once no command of
    // theirs is running.
    static bool CloseAll(bool ask = true);
    // The host of a script (its run-event name), or null.
    static CLuaEditHost* Find(const std::string& name);

private:
    // Shows the window, above all others when topmost.
    void Place(bool topmost);
    void Toggle(const DebugLinkPtr& link, bool topmost);

    DebugLinkPtr m_link;
};
