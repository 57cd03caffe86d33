#pragma once
#include "app/script/JoyPadInput.h"
#include "foundation/core/DebugLink.h"
#include "platform/Event.h"

#include <cstdint>
#include <string>
#include <vector>

class IScriptScene;

// What every scene script carries besides its Lua state: the names and objects
// of its run, compile and debug events (shared with its editor), the variable
// list the debugger's line hook fills, the script path, its game-pad reader and
// the watch on the script file.
class CProcessData {
public:
    CProcessData() = default;
    virtual ~CProcessData();
    CProcessData(const CProcessData&) = delete;
    CProcessData& operator=(const CProcessData&) = delete;

    // Builds the event names "<prefix>-1-<index>" (run), "<prefix>-2-<index>" (compile)
    // and "<prefix>-3-<index>" (debug), creates the run and compile events and keeps
    // the scene. Always true.
    bool Create(const char* prefix, IScriptScene* scene, int index);
    // Closes the debug link for good (releasing a render thread stopped at a
    // breakpoint), drops the events, forgets the file's write time and empties the path.
    void Close();
    // True when the script file has a new write time (or size) since the last call,
    // or when the compile event is signalled; either way the compile event is reset.
    // False when the file cannot be read.
    bool ScriptChanged();

    const std::string& GetPath() const { return m_path; }
    void SetPath(const std::string& path) { m_path = path; }
    IScriptScene* GetScene() const { return m_scene; }
    const std::string& GetRunEventName() const { return m_runEventName; }
    const std::string& GetCompileEventName() const { return m_compileEventName; }
    const std::string& GetDebugEventName() const { return m_debugEventName; }
    const platform::EventPtr& GetCompileEvent() const { return m_compileEvent; }
    const platform::EventPtr& GetRunEvent() const { return m_runEvent; }
    CJoyPadInput& GetJoyPad() { return m_joyPad; }

    // The link to this script's editor; it outlives every editor of the script.
    const DebugLinkPtr& GetLink() const { return m_link; }

    // F11: shows or hides an open editor, or opens one, by a request posted to the
    // GUI thread (never waits for it). The editor is placed above all others when
    // topmost. Always true.
    bool ToggleEditor(bool topmost);
    // The editor's file: the script path with every ".luac" replaced by ".lua".
    std::string EditorPath() const;
    // The forwarders of the line hook; false or nothing while no editor is open.
    bool IsEditorOpen() const;
    bool IsDebugging() const;
    bool IsSingleStep() const;
    bool HasBreakpoint(int line) const;
    // Hands the line (0-based) and the variable list to the editor; at a
    // breakpoint waits until the user continues or the editor closes.
    CDebugLink::StopResult ShowBreak(int line, const std::vector<std::string>& list);
    void ShowLine(int line);
    void ShowError(int line, const std::string& text);
    // Asks the open editor to close (it may ask to save first).
    void CloseEditor();
    bool IsEditorVisible() const;
    const std::vector<std::string>& GetVarList() const { return m_varList; }

protected:
    std::string m_compileEventName, m_debugEventName, m_runEventName;
    platform::EventPtr m_compileEvent, m_runEvent;
    std::vector<std::string> m_varList;  // the debugger's local and global variable lines
    std::string m_path;
    CJoyPadInput m_joyPad;
    int64_t m_writeTime = 0;  // 0 until the first poll
    int64_t m_writeSize = -1;
    IScriptScene* m_scene = nullptr;
    DebugLinkPtr m_link;
};
