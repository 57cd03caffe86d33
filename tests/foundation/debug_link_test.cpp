#include "foundation/core/DebugLink.h"

#include "fake_gui_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The editor side of a link: shows what it is handed, on its own GUI thread.
class FakeEditor {
public:
    explicit FakeEditor(const DebugLinkPtr& link, std::chrono::microseconds delay = 0us) : m_link(link), gui(delay)
    {
        link->SetPoster([this](std::function<void()> fn) { return gui.Post(std::move(fn)); });
        gui.Sync([this] { m_link->OpenEditor([this] { OnShow(); }); });
    }
    void Close()
    {
        gui.Sync([this] { m_link->CloseEditor(); });
    }
    int Calls() const { return m_calls.load(); }
    CDebugLink::ShowRequest Last()
    {
        CDebugLink::ShowRequest copy;
        gui.Sync([&] { copy = m_last; });
        return copy;
    }

private:
    void OnShow()
    {
        ++m_calls;
        CDebugLink::ShowRequest request;
        if (m_link->TakeShowRequest(request))
            m_last = std::move(request);
    }
    DebugLinkPtr m_link;
    std::atomic<int> m_calls{0};
    CDebugLink::ShowRequest m_last;

public:
    FakeGuiQueue gui;  // last: its thread ends before the members it uses go
};

// Starts a render thread that reaches line and reports how it got out.
std::future<CDebugLink::StopResult> Reach(const DebugLinkPtr& link, int line)
{
    return std::async(std::launch::async, [link, line] { return link->ShowBreak(line, {"\r\nlocals", "a=1 number"}); });
}

void WaitStopped(const DebugLinkPtr& link, int line, FakeEditor* editor = nullptr)
{
    for (int i = 0; i < 30000 && link->StoppedLine() != line; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(link->StoppedLine(), line);
    // the delivery is posted just after the stop becomes visible
    for (int i = 0; editor && i < 30000; ++i) {
        const auto shown = editor->Last();
        if (shown.stop && shown.line == line)
            return;
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_FALSE(editor) << "the stop never reached the editor";
}

TEST(DebugLink, StoppedRenderThreadIsReleasedByContinueToggleAndClose)
{
    enum How { kContinue, kToggle, kClose, kShutdown };
    for (How how : {kContinue, kToggle, kClose, kShutdown}) {
        SCOPED_TRACE(how);
        auto link = CDebugLink::Make("IDSTR-1-0");
        FakeEditor editor(link);
        link->SetBreakpoints({7, 3});
        ASSERT_TRUE(link->IsDebugging());
        auto run = Reach(link, 7);
        WaitStopped(link, 7, &editor);
        EXPECT_EQ(run.wait_for(50ms), std::future_status::timeout) << "a breakpoint stops the render thread";
        const auto shown = editor.Last();
        EXPECT_EQ(shown.line, 7);
        EXPECT_TRUE(shown.stop);
        ASSERT_EQ(shown.vars.size(), 2u);

        switch (how) {
        case kContinue: EXPECT_TRUE(link->Continue()); break;
        case kToggle:   // the editor removes the breakpoint it stopped at, then continues
            link->SetBreakpoints({3});
            EXPECT_TRUE(link->Continue());
            break;
        case kClose: editor.Close(); break;
        case kShutdown: link->Close(); break;
        }
        const auto result = run.get();
        EXPECT_EQ(result, how <= kToggle ? CDebugLink::StopResult::Continued : CDebugLink::StopResult::Closed);
        EXPECT_EQ(link->StoppedLine(), -1);
        if (how >= kClose) {
            // afterwards nothing reaches the editor, not even a line it would have shown
            const int calls = editor.Calls();
            EXPECT_FALSE(link->IsDebugging());
            EXPECT_EQ(link->ShowBreak(3, {}), CDebugLink::StopResult::Closed);
            editor.gui.Sync();
            EXPECT_EQ(editor.Calls(), calls);
        }
    }
}

TEST(DebugLink, ShutdownIsFinalButAUserCloseMayReopen)
{
    auto link = CDebugLink::Make("IDSTR-1-1");
    EXPECT_TRUE(link->OpenEditor([] {}));
    link->CloseEditor();
    EXPECT_TRUE(link->OpenEditor([] {}));
    link->SetSingleStep(true);
    EXPECT_TRUE(link->IsDebugging());
    link->Close();
    EXPECT_FALSE(link->IsDebugging());
    EXPECT_FALSE(link->OpenEditor([] {}));
    EXPECT_FALSE(link->IsEditorOpen());
}

TEST(DebugLink, ContinueWhileRunningDoesNotSkipTheNextBreakpoint)
{
    auto link = CDebugLink::Make("IDSTR-1-2");
    FakeEditor editor(link);
    link->SetBreakpoints({4});
    EXPECT_FALSE(link->Continue()) << "nobody waits: nothing to release";
    EXPECT_FALSE(link->Continue());
    auto run = Reach(link, 4);
    WaitStopped(link, 4);
    EXPECT_EQ(run.wait_for(50ms), std::future_status::timeout);
    EXPECT_TRUE(link->Continue());
    EXPECT_EQ(run.get(), CDebugLink::StopResult::Continued);
    EXPECT_FALSE(link->Continue()) << "one continue releases one stop";
}

TEST(DebugLink, LineTraceNeverWaitsAndPostsBoundedRequests)
{
    auto link = CDebugLink::Make("IDSTR-1-0");
    FakeEditor editor(link);
    link->SetSingleStep(true);
    constexpr int kLines = 100000;
    {
        // a GUI thread busy all the time: nothing waits for it, one delivery is queued
        std::promise<void> busy;
        auto held = busy.get_future().share();
        editor.gui.Post([held] { held.wait(); });
        for (int i = 0; i < kLines; ++i)
            ASSERT_EQ(link->ShowBreak(i % 50, {"x"}), CDebugLink::StopResult::Shown);
        EXPECT_EQ(link->PostCount(), 1u);
        busy.set_value();
    }
    EXPECT_EQ(editor.Last().line, (kLines - 1) % 50) << "the newest line is the one shown";
    EXPECT_FALSE(editor.Last().stop);
    // a GUI thread that keeps up: at most one delivery in its queue at any time
    editor.gui.Sync();
    editor.gui.ResetMaxQueued();
    for (int i = 0; i < kLines; ++i)
        ASSERT_EQ(link->ShowBreak(i % 50, {"x"}), CDebugLink::StopResult::Shown);
    editor.gui.Sync();
    EXPECT_LE(editor.gui.MaxQueued(), 2u) << "one delivery (plus the test's own)";
    EXPECT_EQ(link->StoppedLine(), -1);
}

TEST(DebugLink, OnlyTracedOrBreakpointLinesAreShown)
{
    auto link = CDebugLink::Make("IDSTR-1-0");
    EXPECT_EQ(link->ShowBreak(1, {}), CDebugLink::StopResult::Closed) << "no editor";
    FakeEditor editor(link);
    EXPECT_FALSE(link->IsDebugging());
    EXPECT_EQ(link->ShowBreak(1, {}), CDebugLink::StopResult::Shown);
    editor.gui.Sync();
    EXPECT_EQ(editor.Calls(), 0);
    EXPECT_EQ(link->PostCount(), 0u);
}

TEST(DebugLink, AStopContinuedBeforeItWasShownArrivesAsAPlainLine)
{
    auto link = CDebugLink::Make("IDSTR-1-0");
    FakeEditor editor(link);
    link->SetBreakpoints({2});
    std::promise<void> hold;
    auto held = hold.get_future().share();
    editor.gui.Post([held] { held.wait(); });  // the GUI thread is busy
    auto run = Reach(link, 2);
    WaitStopped(link, 2);
    EXPECT_TRUE(link->Continue());
    EXPECT_EQ(run.get(), CDebugLink::StopResult::Continued);
    hold.set_value();
    const auto shown = editor.Last();
    EXPECT_EQ(shown.line, 2);
    EXPECT_FALSE(shown.stop) << "no active breakpoint for a stop that is over";
}

TEST(DebugLink, ABreakpointThatCannotBeShownDoesNotWait)
{
    auto link = CDebugLink::Make("IDSTR-1-0");
    link->SetPoster([](std::function<void()>) { return false; });
    ASSERT_TRUE(link->OpenEditor([] {}));
    link->SetBreakpoints({5});
    EXPECT_EQ(link->ShowBreak(5, {}), CDebugLink::StopResult::Closed);
    EXPECT_EQ(link->StoppedLine(), -1);
}

TEST(DebugLink, ReportReachesTheInstalledCallbackOnly)
{
    auto link = CDebugLink::Make("IDSTR-1-0");
    link->Report(true);  // nothing installed: no effect
    EXPECT_FALSE(link->HookWish());
    link->SetDebugCallback(link.get(), [](void* user, bool on) { static_cast<CDebugLink*>(user)->SetHookWish(on); });
    link->Report(true);
    EXPECT_TRUE(link->HookWish());
    link->Report(false);
    EXPECT_FALSE(link->HookWish());
    link->SetDebugCallback(nullptr, nullptr);
    link->Report(true);
    EXPECT_FALSE(link->HookWish());
}

} // namespace
