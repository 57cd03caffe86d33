// The script debugger in the real program under the test display, driven with
// real keys (xdotool): F11 opens the editors, F9 stops the scene at a line of
// Tracks.lua's OnImage, F5 lets one frame through, F9 again lets it run, F6
// traces lines while frames go on, a save recompiles, F11 hides the editors,
// and the program closes while stopped at a breakpoint.
#include "program_session.h"

using namespace program_session;

namespace {

class DebuggerProgram : public ProgramSession {};

TEST_F(DebuggerProgram, BreakContinueTraceSaveHideAndCloseWhileStopped)
{
    ASSERT_TRUE(Start()) << Log();
    const std::string main = Window("^Quillmont$");
    ASSERT_FALSE(main.empty());

    // F11: the three editors, each with its script
    Keys(main, {"F11"});
    ASSERT_TRUE(WaitFor([&] { return WindowCount("^LuaEdit ") == 3; }, 20000)) << Log();
    const std::string tracks = Window("Tracks\\.lua", true);
    ASSERT_FALSE(tracks.empty());
    EXPECT_FALSE(Window("Trains\\.lua", true).empty());
    EXPECT_FALSE(Window("Options\\.lua", true).empty());

    // F9 on line 3 of OnImage: the scene stops there
    Keys(tracks, {"ctrl+Home", "Down", "Down", "Down", "F9"});
    int stopped = -1;
    ASSERT_TRUE(WaitFor([&] { return (stopped = StoppedFrames()) >= 0; }, 15000)) << "frames go on";
    Shot("qm_debugger_stopped.png");
    // the variable list at the stop: the tooltip over a local
    Xdotool({"mousemove", "--window", QString::fromStdString(tracks), "190", "69"});
    Sleep(1500);
    Shot("qm_debugger_tooltip.png");

    // F5: exactly one more frame, then the same breakpoint again
    Keys(tracks, {"F5"});
    int next = -1;
    ASSERT_TRUE(WaitFor([&] { return (next = StoppedFrames()) >= 0; }, 15000));
    EXPECT_EQ(next, stopped + 1);

    // F9 on the stopped line removes the breakpoint: frames come again
    Keys(tracks, {"F9"});
    EXPECT_TRUE(WaitFor([&] { return Frames() > next + 10; }, 15000)) << "frames resume";

    // F6: line trace shows the lines while the frames keep coming
    Keys(tracks, {"F6"});
    const int traced = Frames();
    EXPECT_TRUE(WaitFor([&] { return Frames() > traced + 10; }, 15000)) << "line trace does not stop frames";
    Shot("qm_debugger_trace.png");
    Keys(tracks, {"F6"});

    // an edit saved: the script compiles again (and starts counting anew)
    const size_t compiles = Count(Log(), "CLuaScript::Compile File Lua//Tracks.lua Succseed");
    Keys(tracks, {"ctrl+End", "minus", "minus", "space", "x"});
    MenuItem(tracks, 20, 2);  // File, Save
    EXPECT_TRUE(WaitFor([&] { return Count(Log(), "CLuaScript::Compile File Lua//Tracks.lua Succseed") > compiles; },
                        10000))
        << Log();

    // F11 hides the unmodified editors, and brings them back
    Keys(main, {"F11"});
    EXPECT_TRUE(WaitFor([&] { return WindowCount("^LuaEdit ") == 0; }, 10000));
    Keys(main, {"F11"});
    ASSERT_TRUE(WaitFor([&] { return WindowCount("^LuaEdit ") == 3; }, 10000));

    // stopped at a breakpoint again, then the program closes
    Keys(tracks, {"ctrl+Home", "Down", "Down", "Down", "F9"});
    ASSERT_TRUE(WaitFor([&] { return StoppedFrames() >= 0; }, 15000));
    Keys(main, {"Escape"});
    EXPECT_TRUE(m_process.waitForFinished(20000)) << "the program ends while a script was stopped";
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
}

} // namespace
