// The editor's debugger commands: continue, breakpoint toggle, line and
// variable trace, recompile; and the window operations the debugger view uses.
#include "editor/menu/SysMenu.h"
#include "editor/editctrl/widget/EditCtrlWidget.h"
#include "editor/window/LuaEditor.h"

void CLuaEditor::OnDebugContinue()
{
    m_debug.OnDebugContinue();
}

bool CLuaEditor::ToggleBreakpoint()
{
    return m_debug.ToggleBreakpoint(m_editWnd && m_editWnd->isVisible());
}

void CLuaEditor::OnSingleStep()
{
    m_debug.OnSingleStep();
}

void CLuaEditor::OnVariableTrace()
{
    m_debug.OnVariableTrace();
}

void CLuaEditor::OnCompile()
{
    if (m_hCompileEvent)
        m_hCompileEvent->Set();
}

void CLuaEditor::SetCommandCheck(unsigned command, bool on)
{
    sysmenu::CheckMenuItem(m_menu.GetSafeHmenu(), command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

bool CLuaEditor::HasMenu() const
{
    return m_menu.GetSafeHmenu() != HMENU{};
}

void CLuaEditor::FocusEditor()
{
    activateWindow();
    if (m_editWnd)
        m_editWnd->setFocus(Qt::OtherFocusReason);
}

void CLuaEditor::BringToTop()
{
    if (!isVisible())
        show();
    if (isMinimized())
        showNormal();
    raise();
}

void CLuaEditor::RedrawAll()
{
    update();
    if (m_editWnd)
        m_editWnd->viewport()->update();
}

void CLuaEditor::AppendToTitle(const std::string& text)
{
    setWindowTitle(windowTitle() + QString::fromStdString(text));
}

void CLuaEditor::SetVariableList(const std::vector<std::string>& list)
{
    m_edit.SetVariableList(list);
}
