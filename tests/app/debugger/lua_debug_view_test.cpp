// The editor's debugger side: markers as breakpoints published to the link,
// stops shown and released, line and variable trace. The test thread plays the
// GUI thread (it runs the posted deliveries); a second thread plays the render
// thread, meeting the editor only through the link.
#include "editor/editctrl_fixture.h"
#include "editor/window/LuaDebugView.h"

#include <chrono>
#include <map>
#include <future>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace edtest {
namespace {

class FakeWindow : public IDebugWindow {
public:
    void FocusEditor() override { ++focus; }
    void BringToTop() override { ++raised; }
    void RedrawAll() override { ++redraws; }
    bool HasMenu() const override { return true; }
    void SetCommandCheck(unsigned command, bool on) override { checks[command] = on; }
    void AppendToTitle(const std::string& text) override { title += text; }
    void SetVariableList(const std::vector<std::string>& list) override { vars = list; }
    void StartDebugViewer() override { ++viewers; }

    int focus = 0, raised = 0, redraws = 0, viewers = 0;
    std::map<unsigned, bool> checks;
    std::string title = "LuaEdit";
    std::vector<std::string> vars;
};

class DebugView : public EditFixture {
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        std::string text;
        for (int i = 0; i < 40; ++i)
            text += "x" + std::to_string(i) + " = " + std::to_string(i) + "\n";
        SetText(text);
        link->SetPoster([this](std::function<void()> fn) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_posted.push_back(std::move(fn));
            return true;
        });
        link->SetDebugCallback(this, [](void* self, bool on) { static_cast<DebugView*>(self)->link->SetHookWish(on); });
        ASSERT_TRUE(view.Attach(link));
    }
    // The GUI thread's turn: runs what was posted so far.
    void Pump()
    {
        std::vector<std::function<void()>> run;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            run.swap(m_posted);
        }
        for (auto& fn : run)
            fn();
    }
    void CaretTo(int line)
    {
        size_t offset = 0;
        for (int i = 0; i < line; ++i)
            offset = Text().find('\n', offset) + 1;
        ctrl.SetCaretOffset(int(offset), true, false);
    }
    std::shared_future<CDebugLink::StopResult> Reach(int line)
    {
        running.push_back(std::async(std::launch::async, [this, line] {
                              return link->ShowBreak(line, {"\r\n--------- LocalVarList ---------", "a=1.000000 number"});
                          }).share());
        return running.back();
    }
    void TearDown() override
    {
        link->Close();  // a failed check may leave the render thread stopped
        running.clear();
        EditFixture::TearDown();
    }
    void WaitStopped(int line)
    {
        for (int i = 0; i < 30000 && link->StoppedLine() != line; ++i)
            std::this_thread::sleep_for(1ms);
        ASSERT_EQ(link->StoppedLine(), line);
        // the delivery is posted just after the stop becomes visible
        for (int i = 0; i < 30000 && view.ShownStopLine() != line; ++i) {
            Pump();
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_EQ(view.ShownStopLine(), line);
    }
    bool Active(int line)
    {
        CEditMarker* m = nullptr;
        return ctrl.FindMarker(line, &m, CEditMarker::kBreakpoint) && m && m->m_bActive;
    }

    DebugLinkPtr link = CDebugLink::Make("IDSTR-1-0");
    FakeWindow window;
    CLuaDebugView view{ctrl, window};
    std::mutex m_mutex;
    std::vector<std::function<void()>> m_posted;
    std::vector<std::shared_future<CDebugLink::StopResult>> running;
};

TEST_F(DebugView, BreakpointsFollowTheMarkersAndSwitchTheHook)
{
    EXPECT_FALSE(view.IsDebugging());
    CaretTo(5);
    EXPECT_TRUE(view.ToggleBreakpoint(true));
    EXPECT_TRUE(link->HasBreakpoint(5));
    EXPECT_TRUE(link->HookWish()) << "a breakpoint switches the line hook on";
    EXPECT_FALSE(view.ToggleBreakpoint(false)) << "no toggle without a visible edit control";
    // a line typed above moves the breakpoint, and the render thread sees where it went
    CaretTo(0);
    Type("new line\n");
    EXPECT_FALSE(link->HasBreakpoint(5));
    EXPECT_TRUE(link->HasBreakpoint(6));
    CaretTo(6);
    EXPECT_FALSE(view.ToggleBreakpoint(true));
    EXPECT_FALSE(link->IsDebugging());
    EXPECT_FALSE(link->HookWish()) << "the last breakpoint switches it off";
}

TEST_F(DebugView, AStopIsShownThenReleasedByContinueOrByRemovingItsBreakpoint)
{
    for (bool byToggle : {false, true}) {
        SCOPED_TRACE(byToggle ? "toggle" : "continue");
        CaretTo(8);
        ASSERT_TRUE(view.ToggleBreakpoint(true));
        CaretTo(20);
        const int focusBefore = window.focus;
        auto run = Reach(8);
        WaitStopped(8);
        EXPECT_EQ(view.ShownStopLine(), 8);
        EXPECT_TRUE(Active(8));
        EXPECT_EQ(ctrl.GetCaretLine(), 8) << "the stopped line is selected";
        EXPECT_EQ(window.focus, focusBefore + 1);
        EXPECT_GT(window.raised, 0);
        ASSERT_EQ(window.vars.size(), 2u) << "the tooltips get the list";
        EXPECT_EQ(run.wait_for(20ms), std::future_status::timeout);

        if (byToggle) {
            CaretTo(8);
            EXPECT_FALSE(view.ToggleBreakpoint(true));  // removes it and continues
        } else {
            view.OnDebugContinue();
        }
        EXPECT_EQ(run.get(), CDebugLink::StopResult::Continued);
        EXPECT_EQ(view.ShownStopLine(), -1);
        EXPECT_TRUE(window.vars.empty()) << "the list is taken back";
        EXPECT_FALSE(Active(8));
        if (!byToggle) {
            CaretTo(8);
            view.ToggleBreakpoint(true);
        }
    }
}

// Lines typed above the stopped line move its marker: the continue clears the
// marker it lit, where it is now, and leaves the marker now at the old number.
TEST_F(DebugView, ContinueClearsTheStopsMarkerAfterLinesTypedAboveIt)
{
    CaretTo(8);
    ASSERT_TRUE(view.ToggleBreakpoint(true));
    CaretTo(10);
    ASSERT_TRUE(view.ToggleBreakpoint(true));
    auto run = Reach(8);
    WaitStopped(8);
    ASSERT_TRUE(Active(8));
    CaretTo(0);
    Type("one\ntwo\n");  // the stopped marker is on line 10 now, the other on 12
    ASSERT_TRUE(Active(10));
    view.OnDebugContinue();
    EXPECT_EQ(run.get(), CDebugLink::StopResult::Continued);
    EXPECT_FALSE(Active(10)) << "the stop's marker stays lit";
    EXPECT_FALSE(Active(12));
    EXPECT_EQ(view.ShownStopLine(), -1);
}

TEST_F(DebugView, ContinueWhileRunningLeavesTheNextBreakpointStopping)
{
    CaretTo(3);
    view.ToggleBreakpoint(true);
    view.OnDebugContinue();  // F5 while the script runs
    auto run = Reach(3);
    WaitStopped(3);
    EXPECT_EQ(run.wait_for(20ms), std::future_status::timeout);
    view.OnDebugContinue();
    EXPECT_EQ(run.get(), CDebugLink::StopResult::Continued);
}

TEST_F(DebugView, ClosingWhileStoppedReleasesTheRenderThread)
{
    CaretTo(2);
    view.ToggleBreakpoint(true);
    auto run = Reach(2);
    WaitStopped(2);
    view.Detach();
    EXPECT_EQ(run.get(), CDebugLink::StopResult::Closed);
    EXPECT_FALSE(Active(2));
    EXPECT_EQ(link->ShowBreak(2, {}), CDebugLink::StopResult::Closed);
    Pump();  // nothing left that reaches the view
}

TEST_F(DebugView, LineTraceSelectsEveryLineWithoutFocusOrStop)
{
    view.OnSingleStep();
    EXPECT_TRUE(window.checks[CLuaDebugView::kSingleStepCommand]);
    EXPECT_TRUE(link->IsSingleStep());
    EXPECT_TRUE(link->HookWish());
    for (int line : {4, 5, 6})
        EXPECT_EQ(link->ShowBreak(line, {"x"}), CDebugLink::StopResult::Shown);
    Pump();
    EXPECT_EQ(ctrl.GetCaretLine(), 6) << "the newest line";
    EXPECT_EQ(window.focus, 0) << "trace leaves the keyboard where it is";
    EXPECT_TRUE(window.vars.empty());
    view.OnSingleStep();
    EXPECT_FALSE(link->IsDebugging());
    EXPECT_FALSE(link->HookWish());
}

TEST_F(DebugView, VariableTraceDrivesLineTraceItsMarkAndTheHook)
{
    view.OnVariableTrace();
    EXPECT_TRUE(view.VarTrace());
    EXPECT_TRUE(view.SingleStep());
    EXPECT_TRUE(window.checks[CLuaDebugView::kVariableTraceCommand]);
    EXPECT_TRUE(window.checks[CLuaDebugView::kSingleStepCommand]);
    EXPECT_EQ(window.viewers, 1);
    EXPECT_TRUE(link->IsVarTrace());
    EXPECT_TRUE(link->HookWish());

    view.OnVariableTrace();
    EXPECT_FALSE(view.SingleStep());
    EXPECT_FALSE(window.checks[CLuaDebugView::kSingleStepCommand]);
    EXPECT_FALSE(link->HookWish()) << "turning it off reports, so the hook goes off";
    EXPECT_EQ(window.viewers, 1);

    view.OnVariableTrace();
    EXPECT_EQ(window.viewers, 2) << "the viewer starts each time";
}

TEST_F(DebugView, ShowErrorMarksTheTitleAndSelectsTheLine)
{
    view.ShowError(12, "attempt to call a nil value");
    EXPECT_EQ(window.title, "LuaEdit[attempt to call a nil value]");
    EXPECT_EQ(ctrl.GetCaretLine(), 12);
    view.ShowLine(30);
    EXPECT_EQ(ctrl.GetCaretLine(), 30);
}

} // namespace
} // namespace edtest
