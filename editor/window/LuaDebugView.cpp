#include "editor/window/LuaDebugView.h"

#include <cstdlib>

bool CLuaDebugView::Attach(const DebugLinkPtr& link)
{
    Detach();
    if (!link || !link->OpenEditor([this] { OnShowRequest(); }))
        return false;
    m_link = link;
    // markers move with edits: every change republishes the lines
    m_edit.SetMarkersChangedHandler([this] { PublishBreakpoints(); });
    PublishBreakpoints();
    m_link->SetSingleStep(m_bSingleStep);
    m_link->SetVarTrace(m_bVarTrace);
    Report();
    return true;
}

void CLuaDebugView::Detach()
{
    if (!m_link)
        return;
    m_edit.SetMarkersChangedHandler(nullptr);
    m_link->CloseEditor();
    m_link.reset();
    EndStop();
}

bool CLuaDebugView::IsDebugging() const
{
    return (m_edit.HasWindow() && m_edit.HasMarkers(CEditMarker::kBreakpoint)) || m_bSingleStep;
}

bool CLuaDebugView::HasBreakpoint(int line) const
{
    CEditMarker* found = nullptr;
    return m_link && m_edit.HasWindow() && m_edit.FindMarker(line, &found, CEditMarker::kBreakpoint) != nullptr;
}

void CLuaDebugView::PublishBreakpoints()
{
    if (!m_link)
        return;
    std::vector<int> lines;
    if (m_edit.HasWindow()) {
        std::vector<CEditMarker*> markers;
        m_edit.GetMarkersOfType(markers, CEditMarker::kBreakpoint);
        for (const CEditMarker* m : markers)
            lines.push_back(m->m_nLine);
    }
    m_link->SetBreakpoints(std::move(lines));
}

void CLuaDebugView::Report()
{
    if (m_link)
        m_link->Report(IsDebugging());
}

void CLuaDebugView::OnDebugContinue()
{
    if (!m_link)
        return;
    // A continue while the script runs is not kept: the next breakpoint stops.
    if (m_link->Continue())
        EndStop();
    Report();
}

bool CLuaDebugView::ToggleBreakpoint(bool editVisible)
{
    if (!editVisible)
        return false;
    const int line = m_edit.LineFromOffset(m_edit.GetCaret());
    const int added = m_edit.ToggleMarker(line, CEditMarker::kBreakpoint, 0, true, 0);
    PublishBreakpoints();
    OnDebugContinue();
    return added != 0;
}

void CLuaDebugView::OnSingleStep()
{
    if (m_window.HasMenu()) {
        m_bSingleStep = !m_bSingleStep;
        m_window.SetCommandCheck(kSingleStepCommand, m_bSingleStep);
    }
    if (m_link)
        m_link->SetSingleStep(m_bSingleStep);
    Report();
}

void CLuaDebugView::OnVariableTrace()
{
    if (m_window.HasMenu()) {
        m_bVarTrace = !m_bVarTrace;
        m_window.SetCommandCheck(kVariableTraceCommand, m_bVarTrace);
    }
    // line trace follows, and its check mark with it
    m_bSingleStep = m_bVarTrace;
    m_window.SetCommandCheck(kSingleStepCommand, m_bSingleStep);
    if (m_link) {
        m_link->SetVarTrace(m_bVarTrace);
        m_link->SetSingleStep(m_bSingleStep);
    }
    if (m_bVarTrace)
        m_window.StartDebugViewer();
    // reported either way, so the hook goes off with the trace
    Report();
}

void CLuaDebugView::OnShowRequest()
{
    if (!m_link)
        return;
    CDebugLink::ShowRequest request;
    if (m_link->TakeShowRequest(request))
        ShowBreak(request);
}

void CLuaDebugView::SelectAndScroll(int line)
{
    const int oldStart = m_edit.GetCaretLineTextStart(false);
    m_edit.SelectLine(line, false, true);
    const int newStart = m_edit.GetCaretLineTextStart(false);
    const int end = m_edit.GetCaretLineEnd(false);
    if (std::abs(newStart - oldStart) > end) {
        const bool down = newStart > oldStart;
        for (int i = 0; i < kScrollLines; ++i)
            m_edit.LineScroll(down);
    }
}

void CLuaDebugView::ShowBreak(const CDebugLink::ShowRequest& request)
{
    const int line = request.line;
    CEditMarker* marker = nullptr;
    m_edit.FindMarker(line, &marker, CEditMarker::kBreakpoint);
    if (!marker && !m_bSingleStep && !request.stop)
        return;
    if (m_stopLine >= 0 && !request.stop)
        EndStop();  // a stop released elsewhere (the line has moved on)
    if (request.stop) {
        // Focus only at a stop: with line trace a focus per line would keep
        // taking the keyboard from the 3D view.
        m_window.FocusEditor();
        if (marker)
            marker->SetActive(1);
        m_stopLine = line;
    }
    SelectAndScroll(line);
    if (request.stop) {
        m_window.SetVariableList(request.vars);
        m_window.BringToTop();
        m_window.RedrawAll();
    }
}

void CLuaDebugView::EndStop()
{
    if (m_stopLine < 0)
        return;
    m_stopLine = -1;
    m_window.SetVariableList({});
    // the marker the stop lit, wherever lines typed above it have moved it
    std::vector<CEditMarker*> markers;
    m_edit.GetMarkersOfType(markers, CEditMarker::kBreakpoint);
    bool cleared = false;
    for (CEditMarker* marker : markers) {
        if (!marker->m_bActive)
            continue;
        marker->SetActive(0);
        m_edit.RedrawMarkerLine(marker->m_nLine, true);
        cleared = true;
    }
    if (cleared)
        m_window.RedrawAll();
}

void CLuaDebugView::ShowLine(int line)
{
    if (!m_link || !m_edit.HasWindow())
        return;
    m_edit.SelectLine(line, false, true);
    m_window.RedrawAll();
}

void CLuaDebugView::ShowError(int line, const std::string& text)
{
    m_window.AppendToTitle("[" + text + "]");
    m_edit.SelectLine(line, false, true);
}
