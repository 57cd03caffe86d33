// Where the keys go in the real program under the test display, driven with real
// X input (xdotool): typing in a script editor goes on after the pointer crossed
// the 3D view, the main window takes the keys back from the panel, and a capture
// begun while the scene stands at a breakpoint lets go of keyboard and pointer.
#include "program_session.h"

using namespace program_session;

namespace {

class InputProgram : public ProgramSession {
protected:
    // The pointer across the main window's 3D view (left of the panel), in steps.
    void SweepAcrossView(const std::string& main)
    {
        for (int i = 0; i <= 10; ++i) {
            Xdotool({"mousemove", "--window", QString::fromStdString(main), QString::number(40 + 40 * i),
                     QString::number(200 + 20 * i)});
            Sleep(40);
        }
        Sleep(300);
    }
    // Starts the program and waits for its frames and its editors (F11); returns
    // the main window.
    std::string StartWithEditors()
    {
        if (!Start())
            return {};
        const std::string main = Window("^Quillmont$");
        Keys(main, {"F11"});
        if (!WaitFor([&] { return WindowCount("^LuaEdit ") == 3; }, 20000))
            return {};
        // the editors below the main window, Tracks.lua's on the left (the test
        // display has no window manager to place them)
        const std::string all = Xdotool({"search", "--onlyvisible", "--name", "^LuaEdit "});
        std::istringstream ids(all);
        for (std::string id; std::getline(ids, id);) {
            const bool tracks = Xdotool({"getwindowname", QString::fromStdString(id)}).find("Tracks.lua") != std::string::npos;
            Xdotool({"windowmove", QString::fromStdString(id), tracks ? "0" : "640", "700"});
        }
        Sleep(300);
        return main;
    }
    bool CloseWithEsc(const std::string& main)
    {
        Keys(main, {"Escape"});
        return m_process.waitForFinished(20000);
    }
};

} // namespace

TEST_F(InputProgram, KeysGoWhereTheUserTypesWhenThePointerCrossesTheView)
{
    const std::string main = StartWithEditors();
    ASSERT_FALSE(main.empty()) << Log();
    const std::string tracks = Window("Tracks\\.lua", true);
    ASSERT_FALSE(tracks.empty());
    ASSERT_TRUE(WaitFor([&] { return Visible("^Quillmont Panel$"); }, 10000));

    // typing in an editor, the pointer crossing the 3D view, typing on: Space, a
    // letter and Esc stay in the editor (the panel stays, the program runs)
    Keys(tracks, {"ctrl+End", "Return", "minus", "minus", "a"});
    SweepAcrossView(main);
    Type({"space", "b", "Escape", "space", "c"});
    Sleep(600);
    EXPECT_EQ(m_process.state(), QProcess::Running) << "Esc reached the main window";
    EXPECT_TRUE(Visible("^Quillmont Panel$")) << "Space reached the main window";
    ASSERT_EQ(m_process.state(), QProcess::Running);
    MenuItem(tracks, 20, 2);  // File, Save
    EXPECT_TRUE(WaitFor([&] { return Read("Lua/Tracks.lua").find("--a b c") != std::string::npos; }, 5000))
        << Read("Lua/Tracks.lua");
    Shot("qm_input_editor_typing.png");

    // a click on the panel, the pointer back over the 3D view: Space goes to the
    // main window and hides the panel
    const std::string panel = Window("^Quillmont Panel$", true);
    Xdotool({"mousemove", "--window", QString::fromStdString(panel), "230", "600"});
    Xdotool({"click", "1"});
    Sleep(500);
    SweepAcrossView(main);
    Type({"space"});
    EXPECT_TRUE(WaitFor([&] { return !Visible("^Quillmont Panel$"); }, 3000)) << "Space stayed with the panel";
    Shot("qm_input_panel_hidden.png");
    EXPECT_TRUE(CloseWithEsc(main));
}

TEST_F(InputProgram, CaptureBegunWhileStoppedAtABreakpointLetsTheEditorsBeReached)
{
    const std::string main = StartWithEditors();
    ASSERT_FALSE(main.empty()) << Log();
    const std::string tracks = Window("Tracks\\.lua", true);
    ASSERT_FALSE(tracks.empty());

    // F9 on line 3 of OnImage: the scene stands there
    Keys(tracks, {"ctrl+Home", "Down", "Down", "Down", "F9"});
    int stopped = -1;
    ASSERT_TRUE(WaitFor([&] { return (stopped = StoppedFrames()) >= 0; }, 15000)) << "frames go on";

    // the middle button over the 3D view begins a capture the render thread cannot end
    Xdotool({"mousemove", "--window", QString::fromStdString(main), "200", "300"});
    Xdotool({"click", "2"});
    Sleep(1000);
    Shot("qm_input_capture_stop.png");

    // the pointer reaches the editor, and F9 there removes the breakpoint: the
    // frames come again
    Xdotool({"mousemove", "--window", QString::fromStdString(tracks), "300", "150"});
    Sleep(300);
    const std::string under = Xdotool({"getmouselocation"});
    EXPECT_NE(under.find("window:" + tracks), std::string::npos) << "the pointer stayed captured: " << under;
    Xdotool({"click", "1"});
    Keys(tracks, {"ctrl+Home", "Down", "Down", "Down", "F9"});
    EXPECT_TRUE(WaitFor([&] { return Frames() > stopped + 10; }, 15000)) << "frames resume";
    EXPECT_TRUE(CloseWithEsc(main));
}
