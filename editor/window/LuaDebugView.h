#pragma once
// The debugger side of a script editor, on the GUI thread: breakpoints are the
// edit control's markers of type 1 (0-based lines), published to the script's
// debug link after every change; the lines the render thread hands over are
// selected here; continue, breakpoint toggles, line trace and variable trace
// act on the link. The render thread never reaches this object: it only sees
// the link.
#include "editor/editctrl/EditCtrl.h"
#include "foundation/core/DebugLink.h"

#include <string>
#include <vector>

// What the debugger needs of the editor window.
class IDebugWindow {
public:
    virtual ~IDebugWindow() = default;
    virtual void FocusEditor() = 0;
    virtual void BringToTop() = 0;
    virtual void RedrawAll() = 0;
    virtual bool HasMenu() const = 0;
    virtual void SetCommandCheck(unsigned command, bool on) = 0;
    virtual void AppendToTitle(const std::string& text) = 0;
    // The lists the edit control's variable tooltips read (empty: none).
    virtual void SetVariableList(const std::vector<std::string>& list) = 0;
    // The debug-output viewer (as the editor's own command starts it).
    virtual void StartDebugViewer() = 0;
};

class CLuaDebugView {
public:
    static constexpr unsigned kSingleStepCommand = 40015;
    static constexpr unsigned kVariableTraceCommand = 40018;
    static constexpr int kScrollLines = 6;

    CLuaDebugView(CEditCtrl& edit, IDebugWindow& window) : m_edit(edit), m_window(window) {}
    ~CLuaDebugView() { Detach(); }
    CLuaDebugView(const CLuaDebugView&) = delete;
    CLuaDebugView& operator=(const CLuaDebugView&) = delete;

    // Connects to the script's link once the window is ready; false when the
    // link refuses (the program is shutting down).
    bool Attach(const DebugLinkPtr& link);
    // The window is going: a stopped render thread is released and nothing of
    // this editor is reached from the link afterwards.
    void Detach();
    const DebugLinkPtr& Link() const { return m_link; }

    bool IsDebugging() const;
    bool HasBreakpoint(int line) const;
    // The breakpoint lines as the markers stand now (called on every marker change).
    void PublishBreakpoints();

    // F5: releases a stopped render thread (only one that waits), then reports.
    void OnDebugContinue();
    // F9: toggles the breakpoint of the caret line, then continues. True when
    // a breakpoint was added. Only with a visible edit control.
    bool ToggleBreakpoint(bool editVisible);
    // F6: line trace on or off.
    void OnSingleStep();
    // Variable trace: line trace follows it (with its check mark); turning it on
    // starts the debug-output viewer.
    void OnVariableTrace();
    // Hands IsDebugging to the script's hook switch.
    void Report();

    // Both traces off, as a closed editor has them (no report: the link is gone).
    void ResetTraces() { m_bSingleStep = m_bVarTrace = false; }
    bool SingleStep() const { return m_bSingleStep; }
    bool VarTrace() const { return m_bVarTrace; }
    // The line the render thread is stopped at, as shown here; -1 when running.
    int ShownStopLine() const { return m_stopLine; }

    // Show-line requests of the render thread (posted; the newest one counts).
    void OnShowRequest();
    // Selects the line and brings it into view by the editor's scroll rule.
    void SelectAndScroll(int line);
    void ShowLine(int line);
    void ShowError(int line, const std::string& text);

private:
    void ShowBreak(const CDebugLink::ShowRequest& request);
    // The stop is over: the list is taken back, the marker it lit loses its
    // active flag (when it is still there, on whatever line it has moved to).
    void EndStop();

    CEditCtrl& m_edit;
    IDebugWindow& m_window;
    DebugLinkPtr m_link;
    bool m_bSingleStep = false;
    bool m_bVarTrace = false;
    int m_stopLine = -1;
};
