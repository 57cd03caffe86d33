// The editor's debugger commands: continue, breakpoint toggle, line and
// variable trace, recompile, and the report to the script host.
#include "editor/menu/SysMenu.h"
#include "editor/editctrl/widget/EditCtrlWidget.h"
#include "editor/window/LuaEditor.h"

void CLuaEditor::ReportDebugging()
{
    if (m_pfnDebugCallback && m_pDebugUser)
        m_pfnDebugCallback(m_pDebugUser, IsDebugging());
}

bool CLuaEditor::IsDebugging() const
{
    return (m_edit.HasWindow() && m_edit.HasMarkers(CEditMarker::kBreakpoint)) || m_bSingleStep;
}

void CLuaEditor::OnDebugContinue()
{
    if (!m_hDebugEvent)
        return;
    m_hDebugEvent->Set();
    ReportDebugging();
}

bool CLuaEditor::ToggleBreakpoint()
{
    if (!m_editWnd || !m_editWnd->isVisible())
        return false;
    const int line = m_edit.LineFromOffset(m_edit.GetCaret());
    const int added = m_edit.ToggleMarker(line, CEditMarker::kBreakpoint, 0, true, 0);
    OnDebugContinue();
    return added != 0;
}

void CLuaEditor::SetCommandCheck(unsigned command, bool on)
{
    sysmenu::CheckMenuItem(m_menu.GetSafeHmenu(), command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void CLuaEditor::OnSingleStep()
{
    if (m_menu.GetSafeHmenu()) {
        m_bSingleStep = !m_bSingleStep;
        SetCommandCheck(kSingleStep, m_bSingleStep);
    }
    ReportDebugging();
}

void CLuaEditor::OnVariableTrace()
{
    if (m_menu.GetSafeHmenu()) {
        m_bVarTrace = !m_bVarTrace;
        SetCommandCheck(kVariableTrace, m_bVarTrace);
    }
    m_bSingleStep = m_bVarTrace;
    if (!m_bVarTrace)
        return;
    OnDebugView();
    ReportDebugging();
}

void CLuaEditor::OnCompile()
{
    if (m_hCompileEvent)
        m_hCompileEvent->Set();
}
