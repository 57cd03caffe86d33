#include "app/panel/HtmlItemStore.h"
#include "app/shell/GLAppDlg.h"
#include "foundation/core/InputState.h"
#include "platform/Profile.h"
#include "platform/WindowPlacement.h"
#include "editor/window/LuaEditHost.h"
#include "editor/window/LuaEditor.h"
#include "temp_data_folder.h"
#include "x_input.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// One working folder for the suite (the terrain cache is built once) with its
// own copy of the shipped data; the read-only folders are linked.
class ShellWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_folder = std::make_unique<TempDataFolder>();
        s_dir = s_folder->Path();
        fs::create_directory(s_dir / "Camera");
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    void SetUp() override
    {
        m_old = fs::current_path();
        fs::current_path(s_dir);
        platform::profile::UseFile((s_dir / (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".ini")).string());
        for (const auto& e : fs::directory_iterator(s_dir / "Camera"))
            fs::remove(e.path());
        g_HtmlItemStore.Clear();  // the panel appends what it loads to the process-wide store
    }
    void TearDown() override
    {
        platform::profile::UseFile("");
        fs::current_path(m_old);
    }

    // Serves events until the condition holds or the time is up.
    static bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            QEventLoop wait;
            QTimer::singleShot(10, &wait, &QEventLoop::quit);
            wait.exec();
        }
        return true;
    }
    static void Wait(int ms)
    {
        WaitUntil([] { return false; }, ms);
    }
    // Runs the window modally with `script` started from inside its event loop.
    static void RunWith(CGLAppDlg& dlg, std::function<void()> script)
    {
        QTimer::singleShot(0, [script = std::move(script)] { script(); });
        EXPECT_EQ(dlg.DoModal(), 0);
    }
    static void Key(CGLAppDlg& dlg, Qt::Key key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&dlg.Window(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&dlg.Window(), &release);
    }
    static QImage Grab(CGLAppDlg& dlg)
    {
        // the root window holds what the GL surface shows
        const QRect g = dlg.Window().geometry();
        return dlg.Window().screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height()).toImage();
    }
    // The ten views' pose files the scene writes when it is freed.
    static int PoseFiles()
    {
        int n = 0;
        for (int i = 0; i < 10; ++i)
            n += fs::exists(s_dir / "Camera" / ("Cam" + std::to_string(i) + ".pos"));
        return n;
    }
    // The open editor of a script (its run-event name), or null.
    static CLuaEditor* Editor(const char* name)
    {
        CLuaEditHost* host = CLuaEditHost::Find(name);
        return host && host->m_pEditor && host->m_pEditor->WindowExists() ? host->m_pEditor : nullptr;
    }
    // A failed step leaves nothing to ask: dialogs rejected, edits dropped, window closed.
    static std::function<void()> Rescue(CGLAppDlg& dlg)
    {
        return [&dlg] {
            xinput::Steps::RejectModals();
            for (const char* name : {"IDSTR-1-0", "IDSTR-1-1", "IDSTR-1-2"})
                if (CLuaEditor* e = Editor(name))
                    e->Edit().SetModified(false);
            QTimer::singleShot(0, [&dlg] { dlg.DestroyWindow(); });
        };
    }
    static std::string ReadText(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // F11's editors for the tests that open them, as the application installs them.
    struct EditorsInstalled {
        EditorsInstalled() { CLuaEditHost::Install(); }
        ~EditorsInstalled() { CDebugLink::SetEditorHandler(nullptr); }
    };
    static bool HasPlacement()
    {
        std::vector<uint8_t> record;
        return platform::profile::GetBinary("Ostravellum", "WinPos", record);
    }

    static std::unique_ptr<TempDataFolder> s_folder;
    static fs::path s_dir;
    fs::path m_old;
};

std::unique_ptr<TempDataFolder> ShellWindow::s_folder;
fs::path ShellWindow::s_dir;

// Near-white pixels in the status line's strip left of the panel.
int StatusTextPixels(const QImage& img)
{
    int white = 0;
    for (int y = 12; y < 40 && y < img.height(); ++y)
        for (int x = 20; x < 700 && x < img.width() - 470; ++x) {
            const QRgb p = img.pixel(x, y);
            white += qRed(p) > 220 && qGreen(p) > 220 && qBlue(p) > 220;
        }
    return white;
}

} // namespace

TEST_F(ShellWindow, StartsDrawsAndSwitchesViewsWithOneResizeEach)
{
    CGLAppDlg dlg;
    RunWith(dlg, [&] {
        ASSERT_TRUE(WaitUntil([&] { return dlg.IsRunning(); }, 60000));
        ASSERT_TRUE(WaitUntil([&] { return dlg.State().resizeCounter == 0; }, 5000));
        // the first frames wait for the shaders to compile
        QImage first;
        EXPECT_TRUE(WaitUntil([&] { return StatusTextPixels(first = Grab(dlg)) > 100; }, 30000)) << "status text";
        EXPECT_NE(first.pixel(first.width() / 4, first.height() * 3 / 4), qRgb(0, 0, 0)) << "scene below the horizon";

        for (Qt::Key key : {Qt::Key_F2, Qt::Key_F3}) {
            const int before = dlg.State().resizesApplied;
            Key(dlg, key);
            ASSERT_TRUE(WaitUntil([&] { return dlg.State().viewRequest == -1; }, 2000));
            Wait(200);
            EXPECT_EQ(dlg.State().resizesApplied - before, 1) << key;
            EXPECT_EQ(dlg.State().resizeCounter, 0);
        }
        EXPECT_NE(Grab(dlg), first) << "another view";
        EXPECT_EQ(dlg.Window().icon().availableSizes(), QIcon(QPixmap(QM_SOURCE_DIR "/resources/icon/101.png")).availableSizes());
        EXPECT_FALSE(dlg.Window().icon().isNull()) << "the small icon";
        Key(dlg, Qt::Key_Escape);
    });
}

TEST_F(ShellWindow, CloseBoxSavesThePlacementAndTheNextStartRestoresIt)
{
    const QRect placed(123, 77, 900, 600);
    {
        CGLAppDlg dlg;
        RunWith(dlg, [&] {
            ASSERT_TRUE(WaitUntil([&] { return dlg.IsRunning(); }, 60000));
            dlg.Window().setGeometry(placed);
            ASSERT_TRUE(WaitUntil([&] { return dlg.Window().geometry() == placed; }, 2000));
            dlg.Window().close();  // what the close box sends
        });
        EXPECT_FALSE(dlg.IsRunning());
    }
    ASSERT_TRUE(HasPlacement());
    EXPECT_EQ(PoseFiles(), 10);
    CGLAppDlg dlg;
    RunWith(dlg, [&] {
        EXPECT_EQ(dlg.Window().geometry(), placed);
        Key(dlg, Qt::Key_Escape);
    });
}

// The window's position and size as the window system last reported them
// (its move and resize events), which may come after geometry() changed.
class ReportedGeometry : public QObject {
public:
    explicit ReportedGeometry(QWindow& window) : m_reported(window.geometry()) { window.installEventFilter(this); }
    QRect Reported() const { return m_reported; }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Move)
            m_reported.moveTopLeft(static_cast<QMoveEvent*>(e)->pos());
        else if (e->type() == QEvent::Resize)
            m_reported.setSize(static_cast<QResizeEvent*>(e)->size());
        return false;
    }

private:
    QRect m_reported;
};

// Closed while maximised, whichever the window system reports first (the new size
// or the new state): the record has show command 3 and the rectangle from before,
// and the next start opens the window in its normal state there.
TEST_F(ShellWindow, AMaximisedWindowRecordsItsNormalRectangleAndOpensNormalThere)
{
    const QRect placed(123, 77, 900, 600);
    for (bool sizeFirst : {true, false}) {
        SCOPED_TRACE(sizeFirst ? "size, then state" : "state, then size");
        {
            CGLAppDlg dlg;
            RunWith(dlg, [&] {
                ASSERT_TRUE(WaitUntil([&] { return dlg.IsRunning(); }, 60000));
                auto& window = dlg.Window();
                ReportedGeometry reported(window);
                window.setGeometry(placed);
                ASSERT_TRUE(WaitUntil([&] { return reported.Reported() == placed; }, 5000));
                // maximised as a window manager does it (there is none on the test display)
                const QRect full = window.screen()->availableGeometry();
                if (sizeFirst) {
                    window.setGeometry(full);
                    ASSERT_TRUE(WaitUntil([&] { return reported.Reported() == full; }, 5000));
                }
                window.showMaximized();
                if (!sizeFirst) {
                    window.setGeometry(full);
                    ASSERT_TRUE(WaitUntil([&] { return reported.Reported() == full; }, 5000));
                }
                ASSERT_TRUE(window.windowStates() & Qt::WindowMaximized);
                window.close();
            });
        }
        std::vector<uint8_t> record;
        ASSERT_TRUE(platform::profile::GetBinary("Ostravellum", "WinPos", record));
        const platform::WindowPlacement p = platform::OverlayPlacement({}, record.data(), record.size());
        EXPECT_EQ(p.showCmd, platform::WindowPlacement::kShowMaximized);
        EXPECT_EQ(p.normal, (platform::Rect{123, 77, 1023, 677}));
    }
    CGLAppDlg dlg;
    RunWith(dlg, [&] {
        EXPECT_EQ(dlg.Window().geometry(), placed);
        EXPECT_FALSE(dlg.Window().windowStates() & Qt::WindowMaximized);
        Key(dlg, Qt::Key_Escape);
    });
}

TEST_F(ShellWindow, EscClosesWithinASecondWithoutThePlacement)
{
    CGLAppDlg dlg;
    QElapsedTimer closing;
    RunWith(dlg, [&] {
        ASSERT_TRUE(WaitUntil([&] { return dlg.IsRunning(); }, 60000));
        ASSERT_TRUE(WaitUntil([&] { return StatusTextPixels(Grab(dlg)) > 100; }, 30000));
        closing.start();
        Key(dlg, Qt::Key_Escape);
    });
    EXPECT_LT(closing.elapsed(), 1000);
    EXPECT_FALSE(HasPlacement());
    EXPECT_EQ(PoseFiles(), 10);
}

TEST_F(ShellWindow, CloseWhileTheSceneLoadsEndsCleanly)
{
    CGLAppDlg dlg;
    QElapsedTimer closing;
    RunWith(dlg, [&] {
        EXPECT_FALSE(dlg.IsRunning());
        closing.start();
        dlg.Window().close();
    });
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_TRUE(HasPlacement());
    EXPECT_EQ(PoseFiles(), 10);
}

namespace {
// The render loop's passes as the window sees them: each stamps its end (input
// clock, ms) in lastPassMs. A pass missed between two samples makes the longest
// time longer, never shorter.
class PassTimes {
public:
    explicit PassTimes(const CShellState& state) : m_state(state), m_last(state.lastPassMs) {}
    // Notes a new stamp; returns the passes noted so far.
    int Sample()
    {
        const double stamp = m_state.lastPassMs;
        if (stamp != m_last) {
            m_longest = std::max(m_longest, stamp - m_last);
            m_last = stamp;
            ++m_passes;
        }
        return m_passes;
    }
    double Longest() const { return m_longest; }

private:
    const CShellState& m_state;
    double m_last;
    double m_longest = 0;
    int m_passes = 0;
};

void SendMouse(CGLAppDlg& dlg, QEvent::Type type, Qt::MouseButton button, QPoint pos)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, pos, dlg.Window().mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&dlg.Window(), &e);
}
} // namespace

TEST_F(ShellWindow, HeldKeysSurviveAutoRepeatAndExpiry)
{
    CGLAppDlg dlg;
    RunWith(dlg, [&] {
        ASSERT_TRUE(WaitUntil([&] { return dlg.IsRunning(); }, 60000));
        // W, then Shift: the modifier is Shift's, the key pressed last
        QKeyEvent w(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier);
        QCoreApplication::sendEvent(&dlg.Window(), &w);
        QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
        QCoreApplication::sendEvent(&dlg.Window(), &shift);
        // X11 auto-repeat: a release/press pair while the key is held
        QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_W, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(&dlg.Window(), &repeatUp);
        Wait(400);  // well past the modifier's 100 ms life, the render thread expiring
        EXPECT_EQ(g_InputState.GetForward(), 1);
        EXPECT_EQ(g_InputState.GetModifier(), CInputState::kModShift);
        // Delete pressed with Shift held: 46 until Delete is released, then Shift's again
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier);
        QCoreApplication::sendEvent(&dlg.Window(), &del);
        Wait(400);
        EXPECT_EQ(g_InputState.GetModifier(), CInputState::kModDelete);
        EXPECT_TRUE(g_InputState.IsShiftHeld());
        QKeyEvent delUp(QEvent::KeyRelease, Qt::Key_Delete, Qt::ShiftModifier);
        QCoreApplication::sendEvent(&dlg.Window(), &delUp);
        Wait(200);
        EXPECT_EQ(g_InputState.GetModifier(), CInputState::kModShift);
        QKeyEvent shiftUp(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
        QCoreApplication::sendEvent(&dlg.Window(), &shiftUp);
        QKeyEvent wUp(QEvent::KeyRelease, Qt::Key_W, Qt::NoModifier);
        QCoreApplication::sendEvent(&dlg.Window(), &wUp);
        EXPECT_EQ(g_InputState.GetForward(), 0);
        EXPECT_FALSE(g_InputState.IsShiftHeld());
        EXPECT_TRUE(WaitUntil([] { return g_InputState.GetModifier() == 0; }, 1000));
        Key(dlg, Qt::Key_Escape);
    });
}

TEST_F(ShellWindow, MiddleButtonCapturesUntilInputGoesQuiet)
{
    CGLAppDlg dlg;
    RunWith(dlg, [&] {
        ASSERT_TRUE(WaitUntil([&] { return dlg.IsRunning(); }, 60000));
        // frames are coming (the first wait for the shaders): a loop standing for
        // 250 ms would end the capture itself
        ASSERT_TRUE(WaitUntil([&] { return StatusTextPixels(Grab(dlg)) > 100; }, 30000));
        auto& window = dlg.Window();
        const QPoint centre(window.width() / 2, window.height() / 2);
        SendMouse(dlg, QEvent::MouseButtonPress, Qt::MiddleButton, centre);
        ASSERT_TRUE(g_InputState.IsCaptured());
        EXPECT_EQ(window.cursor().shape(), Qt::BlankCursor);

        SendMouse(dlg, QEvent::MouseMove, Qt::NoButton, centre + QPoint(7, -4));
        int dx = 0, dy = 0;
        g_InputState.GetMouseDelta(dx, dy);
        EXPECT_EQ(dx, 7);
        EXPECT_EQ(dy, -4);

        // under capture the panel, view and one-shot keys do nothing
        const int view = dlg.State().viewRequest;
        for (Qt::Key key : {Qt::Key_F2, Qt::Key_Space, Qt::Key_O})
            Key(dlg, key);
        EXPECT_EQ(dlg.State().viewRequest, view);
        EXPECT_EQ(g_InputState.GetKey(), 0);

        // held for 400 ms and six passes at least, the passes timed meanwhile
        PassTimes passes(dlg.State());
        QElapsedTimer held;
        held.start();
        ASSERT_TRUE(WaitUntil([&] { return passes.Sample() >= 6 && held.elapsed() >= 400; }, 60000));
        EXPECT_TRUE(g_InputState.IsCaptured()) << "the middle button is still held";
        SendMouse(dlg, QEvent::MouseButtonRelease, Qt::MiddleButton, centre);
        // A pass ends the capture once the input has been quiet for a quarter second:
        // the loop looks every 100 ms, on the clock it reads on two passes of four,
        // so up to three passes late. A quarter second more for this thread's polling.
        QElapsedTimer quiet;
        quiet.start();
        auto bound = [&] {
            return CRenderLoop::kCaptureIdleMs + CRenderLoop::kCapturePollMs + 4 * passes.Longest() + 250;
        };
        WaitUntil(
            [&] {
                passes.Sample();
                return !g_InputState.IsCaptured() || quiet.elapsed() > bound();
            },
            60000);
        EXPECT_FALSE(g_InputState.IsCaptured())
            << quiet.elapsed() << " ms after the release; passes took up to " << passes.Longest() << " ms";
        EXPECT_TRUE(WaitUntil([&] { return window.cursor().shape() == Qt::ArrowCursor; }, 1000));

        SendMouse(dlg, QEvent::MouseButtonPress, Qt::MiddleButton, centre);
        ASSERT_TRUE(g_InputState.IsCaptured());
        Key(dlg, Qt::Key_Escape);  // Esc still closes
    });
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_FALSE(g_InputState.IsCaptured());
}

TEST_F(ShellWindow, FullScreenSettingSwitchesTheWindowBothWays)
{
    fs::create_directories(s_dir / "Html");
    {
        std::ofstream store(s_dir / "Html" / "HtmlItems.dat");
        store << "Options|fullscreen|0|1|styledCheckbox\n";
    }
    CGLAppDlg dlg;
    RunWith(dlg, [&] {
        const QRect screen = dlg.Window().screen()->geometry();
        ASSERT_TRUE(WaitUntil([&] { return dlg.IsRunning(); }, 60000));
        EXPECT_TRUE(WaitUntil([&] { return dlg.Window().geometry() == QRect(0, 0, screen.width(), screen.height()); },
                              5000));
        // back to a window: always 10 % .. 90 % of the screen
        g_HtmlItemStore.Update({"Options", "fullscreen", "0", "0", "styledCheckbox"});
        const int x0 = screen.width() / 10, y0 = screen.height() / 10;
        const QRect windowed(x0, y0, int(screen.width() * 0.9) - x0, int(screen.height() * 0.9) - y0);
        EXPECT_TRUE(WaitUntil([&] { return dlg.Window().geometry() == windowed; }, 5000));
        Key(dlg, Qt::Key_Escape);
    });
    fs::remove(s_dir / "Html" / "HtmlItems.dat");
}

TEST_F(ShellWindow, ScriptInAnEndlessLoopDoesNotKeepTheProgramOpen)
{
    // the scripts of this test: the shipped ones, Options.lua looping for ever in OnImage
    const fs::path options = s_dir / "Lua" / "Options.lua";
    std::ofstream(options, std::ios::app) << "\nfunction OnImage(a, b, index) while true do end end\n";

    CGLAppDlg dlg;
    QElapsedTimer closing;
    RunWith(dlg, [&] {
        ASSERT_TRUE(WaitUntil([&] { return dlg.IsRunning(); }, 60000));
        Wait(500);  // the render thread is inside the loop by now
        closing.start();
        Key(dlg, Qt::Key_Escape);
    });
    EXPECT_LT(closing.elapsed(), 5000);
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(PoseFiles(), 10);
    fs::copy_file(TempDataFolder::Shipped() / "Lua" / "Options.lua", options, fs::copy_options::overwrite_existing);
}

// Closing with edited scripts: the question comes first, with the render thread
// still running; a failed save keeps the program open with the text; then Yes
// saves and No drops the edit, and the program ends. Real keys throughout.
TEST_F(ShellWindow, ExitAsksTheEditorsFirstAndStaysWhenASaveFails)
{
    const fs::path tracksFile = s_dir / "Lua" / "Tracks.lua", trainsFile = s_dir / "Lua" / "Trains.lua";
    const std::string trainsBefore = ReadText(trainsFile);
    EditorsInstalled editors;
    CGLAppDlg dlg;
    CLuaEditor *tracks = nullptr, *trains = nullptr;
    QPointer<QDialog> box;
    const QString question = "Save changes ?";
    auto main = [&dlg] { return dlg.Window().winId(); };
    xinput::Steps steps(Rescue(dlg));
    steps.Add("the scene runs", [&] { return dlg.IsRunning(); }, [&] { xinput::Keys(main(), {"F11"}); }, 60000);
    steps.Add("F11's editors", [&] { return Editor("IDSTR-1-0") && Editor("IDSTR-1-1") && Editor("IDSTR-1-2"); },
              [&] {
                  tracks = Editor("IDSTR-1-0");
                  trains = Editor("IDSTR-1-1");
                  tracks->Edit().InsertText("-- kept\n");
                  trains->Edit().InsertText("-- dropped\n");
                  tracks->m_strPath = (s_dir / "missing" / "Tracks.lua").string();  // the first save fails
                  xinput::Keys(main(), {"Escape"});
              });
    steps.Add("the question about Tracks.lua",
              [&] { return (box = xinput::OpenBox(question)) && box->parentWidget() == tracks; },
              [&] {
                  EXPECT_TRUE(dlg.IsRunning()) << "the render thread stopped before the question";
                  EXPECT_TRUE(tracks->isVisible() && !tracks->isMinimized());
                  xinput::Keys(box->winId(), {"y"});
              });
    steps.Add("the failed save", [&] { return (box = xinput::OpenBox("Error Save File")) != nullptr; },
              [&] { xinput::Keys(box->winId(), {"Return"}); });
    steps.Add("a while later", xinput::After(1500), [&] {
        EXPECT_TRUE(dlg.IsRunning()) << "the exit went on after a failed save";
        EXPECT_EQ(Editor("IDSTR-1-0"), tracks);
        EXPECT_TRUE(tracks->IsModified());
        EXPECT_EQ(Editor("IDSTR-1-1"), trains) << "the editors after it are not asked";
        tracks->m_strPath = "Lua//Tracks.lua";
        xinput::Keys(main(), {"Escape"});
    });
    steps.Add("asked again about Tracks.lua",
              [&] { return (box = xinput::OpenBox(question)) && box->parentWidget() == tracks; },
              [&] { xinput::Keys(box->winId(), {"y"}); });
    steps.Add("the question about Trains.lua",
              [&] { return (box = xinput::OpenBox(question)) && box->parentWidget() == trains; },
              [&] {
                  EXPECT_TRUE(dlg.IsRunning());
                  xinput::Keys(box->winId(), {"n"});
              });
    RunWith(dlg, [&] { steps.Start(); });
    EXPECT_TRUE(steps.Done()) << "stopped at: " << steps.FailedStep();
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_NE(ReadText(tracksFile).find("-- kept"), std::string::npos);
    EXPECT_EQ(ReadText(trainsFile), trainsBefore);
    EXPECT_EQ(PoseFiles(), 10);
    fs::copy_file(TempDataFolder::Shipped() / "Lua" / "Tracks.lua", tracksFile, fs::copy_options::overwrite_existing);
}

// Esc in the 3D window while the editors' dialogs are open: an About box, a
// file dialog and the save question of an editor's own close. The question
// keeps the program open until it is answered; then the next Esc rejects the
// other dialogs and the program ends with everything saved.
TEST_F(ShellWindow, ExitWithTheEditorsDialogsOpen)
{
    const fs::path optionsFile = s_dir / "Lua" / "Options.lua";
    const std::string optionsBefore = ReadText(optionsFile);
    fs::remove(s_dir / "Html" / "HtmlItems.dat");
    EditorsInstalled editors;
    CGLAppDlg dlg;
    CLuaEditor *tracks = nullptr, *trains = nullptr, *options = nullptr;
    QPointer<QDialog> box;
    auto main = [&dlg] { return dlg.Window().winId(); };
    auto open = [](CLuaEditor* e, auto* type) {
        for (auto* d : e->findChildren<std::remove_pointer_t<decltype(type)>*>())
            if (d->isVisible())
                return true;
        return false;
    };
    xinput::Steps steps(Rescue(dlg));
    steps.Add("the scene runs", [&] { return dlg.IsRunning(); }, [&] { xinput::Keys(main(), {"F11"}); }, 60000);
    steps.Add("F11's editors", [&] { return Editor("IDSTR-1-0") && Editor("IDSTR-1-1") && Editor("IDSTR-1-2"); },
              [&] {
                  tracks = Editor("IDSTR-1-0");
                  trains = Editor("IDSTR-1-1");
                  options = Editor("IDSTR-1-2");
                  QTimer::singleShot(0, tracks, [e = tracks] { e->OnCommand(CLuaEditor::kAbout); });
              });
    steps.Add("the About box", [&] { return open(tracks, (QMessageBox*)nullptr); },
              [&] { QTimer::singleShot(0, trains, [e = trains] { e->OnCommand(CLuaEditor::kFileLoad); }); });
    steps.Add("the file dialog", [&] {
        // the close box of a window not on the screen does nothing; a hidden window
        // stays exposed until the server's unmap comes back, so both are asked
        return open(trains, (QFileDialog*)nullptr) && options->isVisible() && options->windowHandle() &&
               options->windowHandle()->isExposed();
    }, [&] {
        options->Edit().InsertText("-- dropped\n");
        xinput::CloseBox(options->winId());
    });
    steps.Add("the question", [&] { return (box = xinput::OpenBox("Save changes ?")) != nullptr; },
              [&] { xinput::Keys(main(), {"Escape"}); });
    steps.Add("a while later", xinput::After(1500), [&] {
        EXPECT_TRUE(dlg.IsRunning()) << "the exit went on past an open question";
        EXPECT_TRUE(box && box->isVisible());
        EXPECT_TRUE(options->WindowExists());
        if (box)
            xinput::Keys(box->winId(), {"n"});
    });
    steps.Add("the editor closed", [&] { return !Editor("IDSTR-1-2"); }, [&] { xinput::Keys(main(), {"Escape"}); });
    RunWith(dlg, [&] { steps.Start(); });
    EXPECT_TRUE(steps.Done()) << "stopped at: " << steps.FailedStep();
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(PoseFiles(), 10);
    EXPECT_EQ(ReadText(optionsFile), optionsBefore);
    EXPECT_TRUE(fs::exists(s_dir / "Html" / "HtmlItems.dat")) << "the panel store is saved";
    fs::remove(s_dir / "Html" / "HtmlItems.dat");
}

// Every route out asks first, with the render thread still running: the main
// window's close box, Esc, and Esc while the input is captured (the capture
// ends so that the question can be answered). No lets the program end.
TEST_F(ShellWindow, EveryRouteOutAsksBeforeTheShutdown)
{
    EditorsInstalled editors;
    for (const char* route : {"close box", "Esc", "Esc under capture"}) {
        SCOPED_TRACE(route);
        CGLAppDlg dlg;
        CLuaEditor* tracks = nullptr;
        QPointer<QDialog> box;
        auto main = [&dlg] { return dlg.Window().winId(); };
        const std::string way = route;
        xinput::Steps steps(Rescue(dlg));
        steps.Add("the scene runs", [&] { return dlg.IsRunning(); }, [&] { xinput::Keys(main(), {"F11"}); }, 60000);
        steps.Add("F11's editors", [&] { return (tracks = Editor("IDSTR-1-0")) != nullptr; }, [&] {
            tracks->Edit().InsertText("-- dropped\n");
            if (way == "close box") {
                xinput::CloseBox(main());
            } else if (way == "Esc") {
                xinput::Keys(main(), {"Escape"});
            } else {
                // low in the 3D view's left: the editors open at the top left, the panel on the right
                xinput::Xdotool({"mousemove", "--window", QString::number(main()), "60",
                                 QString::number(dlg.Window().height() - 30)});
                xinput::Xdotool({"mousedown", "2"});  // held: the capture does not go quiet
            }
        });
        if (way == "Esc under capture")
            steps.Add("captured", [&] { return g_InputState.IsCaptured(); }, [&] {
                xinput::Keys(main(), {"Escape"});
                xinput::Xdotool({"mouseup", "2"});
            });
        steps.Add("the question", [&] { return (box = xinput::OpenBox("Save changes ?")) != nullptr; }, [&] {
            EXPECT_TRUE(dlg.IsRunning()) << "the render thread stopped before the question";
            EXPECT_FALSE(g_InputState.IsCaptured());
            xinput::Keys(box->winId(), {"n"});
        });
        RunWith(dlg, [&] { steps.Start(); });
        EXPECT_TRUE(steps.Done()) << "stopped at: " << steps.FailedStep();
        EXPECT_FALSE(dlg.IsRunning());
        EXPECT_EQ(PoseFiles(), 10);
        QApplication::processEvents();  // the closed editors go
    }
}
