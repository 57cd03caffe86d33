// The script editor window: assembly, shortcuts, files, find and close.
#include "editor/status/CCJStatusBar.h"
#include "editor/menu/SysMenu.h"
#include "editor/editctrl/widget/EditCtrlWidget.h"
#include "editor/window/LuaEditor.h"
#include "log_capture.h"
#include "platform/Profile.h"
#include "platform/WindowPlacement.h"
#include "work_folder.h"
#include "x_input.h"

#include <QApplication>
#include <QClipboard>
#include <QIcon>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

namespace {

// Scripted answers for the editor's dialogs; every question is recorded.
class FakeUi : public ILuaEditorUi {
public:
    std::string FileDialog(QWidget* owner, bool open, const std::string& title, const std::string&,
                           const std::string& filter, const std::string& name) override
    {
        EXPECT_NE(owner, nullptr);
        dialogs.push_back(std::string(open ? "open " : "save ") + title + " | " + filter + " | " + name);
        if (paths.empty())
            return std::string();
        std::string p = paths.front();
        paths.pop_front();
        return p;
    }
    int MessageBox(QWidget*, const std::string& text, Buttons) override
    {
        boxes.push_back(text);
        if (answers.empty())
            return kOk;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    void About(QWidget*, const std::string& title, const std::string& text, const QIcon&) override
    {
        boxes.push_back(title + ": " + text);
    }
    bool ShellRun(const std::string& target) override
    {
        runs.push_back(target);
        return runSucceeds;
    }

    std::deque<std::string> paths;
    std::deque<int> answers;
    std::vector<std::string> dialogs, boxes, runs;
    bool runSucceeds = true;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One editor with its events made as the script host makes them, in a fresh
// working folder and profile.
struct EditorFixture {
    WorkFolder folder{"luaedit"};
    bool madeLua = std::filesystem::create_directories(folder.Path() + "/Lua");
    platform::EventPtr run = platform::CreateNamedEvent("IDSTR-1-9", true, false);
    platform::EventPtr compile = platform::CreateNamedEvent("IDSTR-2-9", true, false);
    std::unique_ptr<CLuaEditor> editor;
    FakeUi* ui = nullptr;

    explicit EditorFixture(bool withSettings = true)
    {
        if (withSettings)
            std::filesystem::copy_file(QM_DATA_DIR "/Lua/luaedit.xml", folder.Path() + "/Lua/luaedit.xml",
                                       std::filesystem::copy_options::overwrite_existing);
        platform::profile::UseFile(folder.Path() + "/profile.ini");
        QGuiApplication::clipboard()->clear();
        editor = std::make_unique<CLuaEditor>("IDSTR-1-9", "IDSTR-3-9", "IDSTR-2-9");
        auto fake = std::make_unique<FakeUi>();
        ui = fake.get();
        editor->SetUi(std::move(fake));
        editor->m_strName = "IDSTR-1-9";
        EXPECT_TRUE(editor->Create());
        editor->resize(640, 480);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    }
    ~EditorFixture()
    {
        editor.reset();
        platform::profile::UseFile("");
    }
    CEditCtrl& Edit() { return editor->Edit(); }
    void Type(const std::string& text)
    {
        Edit().InsertText(text);
        editor->UpdateTitle(false);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(editor->EditWindow(), Qt::Key(key), mods);
    }
    std::string Title() const { return editor->windowTitle().toStdString(); }
    std::string Path(const char* name) const { return folder.Path() + "/" + name; }
};

} // namespace

TEST(LuaEditorWindow, AssemblesInOrderWithCaptionInPaneZero)
{
    EditorFixture f;
    CLuaEditor& e = *f.editor;
    EXPECT_TRUE(f.run->IsSet());  // initialisation told the host the editor is ready
    EXPECT_EQ(e.windowTitle(), "LuaEdit");
    EXPECT_FALSE(e.windowIcon().isNull());
    ASSERT_NE(e.EditWindow(), nullptr);
    EXPECT_EQ(e.EditWindow()->objectName(), "1");
    EXPECT_TRUE(e.Edit().m_bShowLineNumbers);
    EXPECT_TRUE(e.Edit().m_bShowOutlineMargin);
    EXPECT_TRUE(e.Edit().m_bOutlining);
    EXPECT_FALSE(e.Edit().m_bHyperlinks);
    EXPECT_TRUE(e.Edit().m_bOutlineParse);  // the settings file was read
    EXPECT_FALSE(EditorFixture(false).Edit().m_bOutlineParse);
    EXPECT_TRUE(e.EditWindow()->EditFont().bold());
    EXPECT_EQ(e.EditWindow()->EditFont().pixelSize(), 16);

    std::vector<unsigned> ids;
    CCJStatusBarPane pane;
    for (int i = 0; e.StatusBar()->GetPane(i, pane); ++i)
        ids.push_back(pane.id);
    EXPECT_EQ(ids, (std::vector<unsigned>{0, 1, 0, 0}));

    QStringList menus;
    for (QAction* a : e.MenuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{"File", "Edit", "Debug", "Help"}));

    e.resize(900, 600);
    QApplication::processEvents();
    const QWidget* client = e.EditWindow()->parentWidget();
    EXPECT_EQ(e.StatusBar()->geometry(), QRect(0, client->height() - 28, client->width(), 28));
    EXPECT_EQ(e.EditWindow()->geometry(), QRect(0, 0, client->width(), client->height() - 28));
    EXPECT_EQ(e.Caption().parentWidget(), e.StatusBar());
    const Rect r = e.StatusBar()->GetItemRect(0);
    EXPECT_TRUE(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top).contains(e.Caption().geometry()));
    EXPECT_GT(e.Caption().width(), 190);  // pane 0 stretches with the window
}

TEST(LuaEditorWindow, ConstructorLogsEventsItCannotOpen)
{
    LogCapture log;
    {
        CLuaEditor e("no-such-run", "", "no-such-compile");
        EXPECT_EQ(e.m_hRunEvent, nullptr);
        EXPECT_EQ(e.m_hCompileEvent, nullptr);
    }
    EXPECT_TRUE(log.Contains("CLuaEditor::CLuaEditor Open RunEvent Event Failed !"));
    EXPECT_TRUE(log.Contains("CLuaEditor::CLuaEditor Open CompEvent Event Failed !"));
}

TEST(LuaEditorWindow, ShortcutsReachTheirCommands)
{
    EditorFixture f;
    f.Type("alpha beta");
    f.editor->EditWindow()->setFocus();

    f.Key(Qt::Key_Z, Qt::ControlModifier);  // undo
    EXPECT_EQ(f.Edit().GetText(), "");
    f.Key(Qt::Key_Y, Qt::ControlModifier);  // redo
    EXPECT_EQ(f.Edit().GetText(), "alpha beta");
    f.Key(Qt::Key_Backspace, Qt::AltModifier);  // undo
    EXPECT_EQ(f.Edit().GetText(), "");
    f.Key(Qt::Key_Y, Qt::ControlModifier);

    f.Edit().SetSelection(0, 5);
    f.Key(Qt::Key_Insert, Qt::ControlModifier);  // copy
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "alpha");
    f.Edit().SetSelection(6, 10);
    f.Key(Qt::Key_X, Qt::ControlModifier);  // cut
    EXPECT_EQ(f.Edit().GetText(), "alpha ");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "beta");
    f.Key(Qt::Key_Insert, Qt::ShiftModifier);  // paste
    EXPECT_EQ(f.Edit().GetText(), "alpha beta");

    f.Key(Qt::Key_F9);  // breakpoint on the caret line
    EXPECT_TRUE(f.Edit().HasMarkers(CEditMarker::kBreakpoint));
    EXPECT_FALSE(f.editor->m_hDebugEvent->IsSet());  // nothing stopped: no continue is kept for later
    f.Key(Qt::Key_F6);  // line trace with its check mark
    EXPECT_TRUE(f.editor->SingleStep());
    EXPECT_EQ(sysmenu::CheckMenuItem(f.editor->Menu().GetSafeHmenu(), CLuaEditor::kSingleStep, MF_CHECKED),
              int(MF_CHECKED));
    f.Key(Qt::Key_F6);
    EXPECT_FALSE(f.editor->SingleStep());

    f.Key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(f.editor->FindDialog(), nullptr);
    EXPECT_FALSE(f.editor->FindDialog()->IsReplace());
    f.editor->FindDialog()->reject();
    QApplication::processEvents();
    f.Key(Qt::Key_H, Qt::ControlModifier);
    ASSERT_NE(f.editor->FindDialog(), nullptr);
    EXPECT_TRUE(f.editor->FindDialog()->IsReplace());
    f.editor->FindDialog()->reject();
    QApplication::processEvents();

    // keys of the table without a handler do nothing at all
    f.Edit().SetSelection(0, 5);
    const std::string text = f.Edit().GetText();
    const size_t undo = f.Edit().GetUndoCount();
    for (auto [key, mods] : {std::pair{Qt::Key_F3, Qt::KeyboardModifiers()},
                             std::pair{Qt::Key_F3, Qt::KeyboardModifiers(Qt::ShiftModifier)},
                             std::pair{Qt::Key_A, Qt::KeyboardModifiers(Qt::ControlModifier)}}) {
        f.Key(key, mods);
        int s = 0, e = 0;
        f.Edit().GetSelection(s, e);
        EXPECT_EQ(s, 0);
        EXPECT_EQ(e, 5);
        EXPECT_EQ(f.Edit().GetText(), text);
        EXPECT_EQ(size_t(f.Edit().GetUndoCount()), undo);
        EXPECT_EQ(f.editor->FindDialog(), nullptr);
        EXPECT_TRUE(f.ui->dialogs.empty());
        EXPECT_TRUE(f.ui->boxes.empty());
    }
}

TEST(LuaEditorWindow, SaveTable)
{
    // empty path: Save goes to Save As; cancelled changes nothing
    {
        EditorFixture f;
        f.Type("x = 1\n");
        f.editor->OnCommand(CLuaEditor::kFileSave);
        ASSERT_EQ(f.ui->dialogs.size(), 1u);
        EXPECT_EQ(f.ui->dialogs[0], "save Save Lua | Lua script (*.lua)|*.lua| | ");
        EXPECT_TRUE(f.Edit().IsModified());
        EXPECT_EQ(f.editor->m_strPath, "");
        EXPECT_FALSE(f.compile->IsSet());
    }
    // success: '*' cleared, compile event set
    {
        EditorFixture f;
        f.Type("x = 1\n");
        EXPECT_EQ(f.Title(), "LuaEdit []*");
        f.ui->paths.push_back(f.Path("new.lua"));
        f.editor->OnCommand(CLuaEditor::kFileSaveAs);
        EXPECT_EQ(ReadFile(f.Path("new.lua")), "x = 1\n");
        EXPECT_EQ(f.Title(), "LuaEdit [" + f.Path("new.lua") + "] ");
        EXPECT_FALSE(f.Edit().IsModified());
        EXPECT_TRUE(f.compile->IsSet());
        EXPECT_FALSE(f.editor->m_hDebugEvent->IsSet());  // nothing stopped: no continue is kept for later
        EXPECT_TRUE(f.ui->boxes.empty());
    }
    // an unwritable target: message, title and modified flag kept
    {
        EditorFixture f;
        f.Type("y = 2\n");
        f.editor->m_strPath = f.Path("missing/folder/y.lua");
        f.editor->UpdateTitle(true);
        f.editor->OnCommand(CLuaEditor::kFileSave);
        EXPECT_EQ(f.ui->boxes, (std::vector<std::string>{"Error Save File"}));
        EXPECT_EQ(f.Title(), "LuaEdit [" + f.Path("missing/folder/y.lua") + "]*");
        EXPECT_TRUE(f.Edit().IsModified());
        EXPECT_FALSE(f.compile->IsSet());
    }
    // a script its owner made read-only: message, and the file stays as it was
    {
        EditorFixture f;
        const std::string path = f.Path("Lua/Kept.lua");
        f.folder.Write("Lua/Kept.lua", "old = 1\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);
        ASSERT_TRUE(f.editor->LoadFile(path));
        f.Type("new = 2\n");
        f.editor->OnCommand(CLuaEditor::kFileSave);
        EXPECT_EQ(f.ui->boxes, (std::vector<std::string>{"Error Save File"}));
        EXPECT_EQ(ReadFile(path), "old = 1\n");
        EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0444));
        EXPECT_TRUE(f.Edit().IsModified());
    }
    // Save As writes the name the dialog returned, not a file whose name differs
    // only in case; a plain Save of a script path still finds the file in any case
    {
        EditorFixture f;
        f.folder.Write("Lua/Tracks.lua", "old = 1\n");
        f.Type("new = 2\n");
        f.ui->paths.push_back(f.Path("Lua/tracks.lua"));
        f.editor->OnCommand(CLuaEditor::kFileSaveAs);
        EXPECT_EQ(ReadFile(f.Path("Lua/Tracks.lua")), "old = 1\n");
        EXPECT_EQ(ReadFile(f.Path("Lua/tracks.lua")), "new = 2\n");
        f.Type("again = 3\n");
        f.editor->OnCommand(CLuaEditor::kFileSave);
        EXPECT_EQ(ReadFile(f.Path("Lua/Tracks.lua")), "old = 1\n");
        EXPECT_EQ(ReadFile(f.Path("Lua/tracks.lua")), f.Edit().GetText());
    }
    {
        EditorFixture g;
        g.folder.Write("Lua/Trains.lua", "old = 1\n");
        ASSERT_TRUE(g.editor->LoadFile(g.Path("Lua/TRAINS.lua")));
        g.Type("x = 1\n");
        g.editor->OnCommand(CLuaEditor::kFileSave);
        EXPECT_EQ(ReadFile(g.Path("Lua/Trains.lua")), g.Edit().GetText());
        EXPECT_NE(g.Edit().GetText(), "old = 1\n");
        EXPECT_FALSE(std::filesystem::exists(g.Path("Lua/TRAINS.lua")));
    }
    // an empty text empties the file: the old script does not run again
    {
        EditorFixture f;
        f.folder.Write("old.lua", "print('old')\n");
        ASSERT_TRUE(f.editor->LoadFile(f.Path("old.lua")));
        f.Edit().SetSelection(0, f.Edit().GetTextLength());
        f.Edit().DeleteSelection(true, false, false);
        f.editor->OnCommand(CLuaEditor::kFileSave);
        EXPECT_TRUE(f.ui->boxes.empty());
        EXPECT_EQ(std::filesystem::file_size(f.Path("old.lua")), 0u);
        EXPECT_TRUE(f.compile->IsSet());
    }
}

TEST(LuaEditorWindow, LoadFromTheDialog)
{
    EditorFixture f;
    f.folder.Write("a.lua", "a = 1\r\nb = 2\r\n");
    f.folder.Write("empty.lua", "");
    f.ui->paths = {f.Path("empty.lua"), f.Path("a.lua")};
    f.editor->OnCommand(CLuaEditor::kFileLoad);  // an empty file is a failed load
    EXPECT_EQ(f.ui->dialogs.at(0), "open Load Lua | Lua script (*.lua)|*.lua| | default.lua");
    EXPECT_EQ(f.ui->boxes, (std::vector<std::string>{"Error Load File"}));
    EXPECT_EQ(f.editor->windowTitle(), "LuaEdit");
    EXPECT_FALSE(f.editor->m_hDebugEvent->IsSet());
    f.editor->OnCommand(CLuaEditor::kFileLoad);
    EXPECT_EQ(f.editor->m_strPath, f.Path("a.lua"));
    EXPECT_EQ(f.Title(), "LuaEdit [" + f.Path("a.lua") + "] ");
    EXPECT_EQ(f.Edit().GetLineCount(), 3);
    EXPECT_FALSE(f.editor->m_hDebugEvent->IsSet());  // nothing stopped: no continue is kept for later
}

TEST(LuaEditorWindow, StarStaysAfterUndoingBackToTheSavedText)
{
    EditorFixture f;
    f.folder.Write("s.lua", "s = 1\n");
    ASSERT_TRUE(f.editor->LoadFile(f.Path("s.lua")));
    f.editor->EditWindow()->setFocus();
    f.Type("t");
    EXPECT_EQ(f.Title().back(), '*');
    f.Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(f.Edit().IsModified());
    EXPECT_EQ(f.Title().back(), '*');  // refreshed only while modified
    f.editor->OnCommand(CLuaEditor::kFileSave);
    EXPECT_EQ(f.Title().back(), ' ');
}

TEST(LuaEditorWindow, SecondFindDoesNothingUntilTheDialogCloses)
{
    EditorFixture f;
    f.Type("one two one two");
    QGuiApplication::clipboard()->setText("two");
    f.editor->EditWindow()->setFocus();
    f.Key(Qt::Key_F, Qt::ControlModifier);
    CFindReplaceDialog* first = f.editor->FindDialog();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->FindEdit()->text(), "two");  // no selection: the clipboard
    EXPECT_FALSE(first->Flags() & CFindReplaceDialog::kDown);
    f.Key(Qt::Key_F, Qt::ControlModifier);
    f.Key(Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(f.editor->FindDialog(), first);

    // searching runs upward from the caret at the end, and wraps
    first->PressFindNext();
    int s = 0, e = 0;
    f.Edit().GetSelection(s, e);
    EXPECT_EQ(s, 12);
    first->PressFindNext();
    f.Edit().GetSelection(s, e);
    EXPECT_EQ(s, 4);

    first->reject();
    QApplication::processEvents();
    EXPECT_EQ(f.editor->FindDialog(), nullptr);
    f.Edit().SetSelection(0, 3);
    f.Key(Qt::Key_H, Qt::ControlModifier);
    CFindReplaceDialog* second = f.editor->FindDialog();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->FindEdit()->text(), "one");      // the selection
    EXPECT_EQ(second->ReplaceEdit()->text(), "two");   // the clipboard
    second->PressReplaceAll();
    EXPECT_EQ(f.Edit().GetText(), "two two two two");
    EXPECT_EQ(f.Title().back(), '*');
}

TEST(LuaEditorWindow, YesWithCancelledSaveAsKeepsTheWindow)
{
    EditorFixture f;
    QSignalSpy finished(f.editor.get(), &CLuaEditor::Finished);
    f.Type("keep me\n");
    f.ui->answers = {ILuaEditorUi::kYes};
    f.editor->close();
    QApplication::processEvents();
    EXPECT_EQ(f.ui->boxes, (std::vector<std::string>{"Save changes ?"}));
    EXPECT_EQ(f.ui->dialogs.size(), 1u);  // Save As, cancelled
    EXPECT_TRUE(f.editor->WindowExists());
    EXPECT_TRUE(f.editor->isVisible());
    EXPECT_FALSE(f.editor->isMinimized());
    EXPECT_TRUE(f.run->IsSet());
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(f.Edit().GetText(), "keep me\n");

    // No: the window shuts down, the host sees it gone, the placement is kept
    std::vector<uint8_t> record;
    EXPECT_FALSE(platform::profile::GetBinary("Ostravellum", "LuaEditSz-IDSTR-1-9", record));
    f.ui->answers = {ILuaEditorUi::kNo};
    EXPECT_TRUE(f.editor->OnClose());
    EXPECT_FALSE(f.editor->WindowExists());
    EXPECT_FALSE(f.editor->isVisible());
    EXPECT_FALSE(f.run->IsSet());
    EXPECT_EQ(f.editor->m_hRunEvent, nullptr);
    EXPECT_EQ(finished.count(), 1);
    ASSERT_TRUE(platform::profile::GetBinary("Ostravellum", "LuaEditSz-IDSTR-1-9", record));
    EXPECT_EQ(record.size(), 44u);
}

// The save question, closed by the user through the editor's close box and
// answered with real keys: Esc and the question's own close box leave it up;
// No closes without saving, Yes saves, then the editor closes.
TEST(LuaEditorWindow, SaveQuestionWaitsForYesOrNo)
{
    for (const char* answer : {"n", "y"}) {
        SCOPED_TRACE(answer);
        EditorFixture f;
        f.editor->SetUi(MakeDesktopLuaEditorUi());
        f.folder.Write("Lua/q.lua", "old = 1\n");
        ASSERT_TRUE(f.editor->LoadFile(f.Path("Lua/q.lua")));
        f.Type("new = 2\n");
        const std::string text = f.Edit().GetText();
        QSignalSpy finished(f.editor.get(), &CLuaEditor::Finished);
        xinput::Steps steps([&] {
            xinput::Steps::RejectModals();
            f.Edit().SetModified(false);
        });
        const QString question = "Save changes ?";
        QPointer<QDialog> box;
        steps.Add("the editor's close box", [] { return true; }, [&] { xinput::CloseBox(f.editor->winId()); });
        steps.Add("the question", [&] { return (box = xinput::OpenBox(question)) != nullptr; },
                  [&] { xinput::Keys(box->winId(), {"Escape"}); });
        QElapsedTimer pause;
        steps.Add("after Esc", [&] { return !pause.isValid() ? (pause.start(), false) : pause.elapsed() > 500; },
                  [&] {
                      EXPECT_TRUE(box && box->isVisible()) << "Esc answered the question";
                      if (box)
                          xinput::CloseBox(box->winId());
                      pause.invalidate();
                  });
        steps.Add("after the close box", [&] { return !pause.isValid() ? (pause.start(), false) : pause.elapsed() > 500; },
                  [&] {
                      EXPECT_TRUE(box && box->isVisible()) << "the close box answered the question";
                      EXPECT_TRUE(f.editor->WindowExists());
                      if (box)
                          xinput::Keys(box->winId(), {answer});
                  });
        steps.Add("the editor closed", [&] { return finished.count() > 0; }, [] {});
        EXPECT_TRUE(steps.Run()) << steps.FailedStep();
        EXPECT_FALSE(f.editor->WindowExists());
        EXPECT_EQ(ReadFile(f.Path("Lua/q.lua")), std::string(answer) == "y" ? text : "old = 1\n");
    }
}

TEST(LuaEditorWindow, CloseDuringLineTraceShutsDownASecondLater)
{
    EditorFixture f;
    QSignalSpy finished(f.editor.get(), &CLuaEditor::Finished);
    f.editor->OnCommand(CLuaEditor::kSingleStep);
    ASSERT_TRUE(f.editor->SingleStep());
    f.editor->showMinimized();  // a minimised window's placement is not written
    EXPECT_TRUE(f.editor->OnClose());
    EXPECT_TRUE(f.editor->isMinimized());
    EXPECT_FALSE(f.run->IsSet());
    EXPECT_TRUE(f.editor->ShutdownPending());
    EXPECT_TRUE(f.editor->WindowExists());
    EXPECT_EQ(finished.count(), 0);
    std::vector<uint8_t> record;
    EXPECT_FALSE(platform::profile::GetBinary("Ostravellum", "LuaEditSz-IDSTR-1-9", record));
    EXPECT_TRUE(finished.wait(3000));
    EXPECT_FALSE(f.editor->isVisible());
    EXPECT_FALSE(f.editor->WindowExists());
    EXPECT_FALSE(f.editor->SingleStep());
}

TEST(LuaEditorWindow, PlacementIsRestoredPerScript)
{
    QRect placed;
    {
        EditorFixture f;
        f.editor->setGeometry(120, 90, 700, 520);
        QApplication::processEvents();
        placed = f.editor->geometry();
        f.ui->answers = {ILuaEditorUi::kNo};
        ASSERT_TRUE(f.editor->OnClose());
        // a second editor of the same script opens where the first was
        CLuaEditor again("IDSTR-1-9", "IDSTR-3-9", "IDSTR-2-9");
        again.m_strName = "IDSTR-1-9";
        ASSERT_TRUE(again.Create());
        EXPECT_EQ(again.geometry().size(), placed.size());
        EXPECT_EQ(again.geometry().topLeft(), placed.topLeft());
        // a record of another size is ignored: the editor opens as one without a record
        std::vector<uint8_t> record;
        ASSERT_TRUE(platform::profile::GetBinary("Ostravellum", "LuaEditSz-IDSTR-1-9", record));
        ASSERT_EQ(record.size(), 44u);
        platform::profile::WriteBinary("Ostravellum", "LuaEditSz-other", record.data(), 40);
        CLuaEditor fresh("IDSTR-1-9", "IDSTR-3-9", "IDSTR-2-9");
        fresh.m_strName = "fresh";
        ASSERT_TRUE(fresh.Create());
        CLuaEditor other("IDSTR-1-9", "IDSTR-3-9", "IDSTR-2-9");
        other.m_strName = "other";
        ASSERT_TRUE(other.Create());
        EXPECT_EQ(other.geometry(), fresh.geometry());
    }
}

// Closed while maximised (the window system reporting the new size before the
// state): the record keeps the rectangle from before, and the next editor of the
// script opens in its normal state there.
TEST(LuaEditorWindow, AMaximisedEditorRecordsItsNormalRectangle)
{
    EditorFixture f;
    f.editor->setGeometry(120, 90, 700, 520);
    QApplication::processEvents();
    const QRect placed = f.editor->geometry();
    f.editor->setGeometry(f.editor->screen()->availableGeometry());
    QApplication::processEvents();
    f.editor->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(f.editor->isMaximized());
    f.ui->answers = {ILuaEditorUi::kNo};
    ASSERT_TRUE(f.editor->OnClose());

    std::vector<uint8_t> record;
    ASSERT_TRUE(platform::profile::GetBinary("Ostravellum", "LuaEditSz-IDSTR-1-9", record));
    const platform::WindowPlacement p = platform::OverlayPlacement({}, record.data(), record.size());
    EXPECT_EQ(p.showCmd, platform::WindowPlacement::kShowMaximized);
    EXPECT_EQ(p.normal, (platform::Rect{placed.left(), placed.top(), placed.left() + placed.width(),
                                        placed.top() + placed.height()}));
    CLuaEditor again("IDSTR-1-9", "IDSTR-3-9", "IDSTR-2-9");
    again.m_strName = "IDSTR-1-9";
    ASSERT_TRUE(again.Create());
    EXPECT_EQ(again.geometry(), placed);
    EXPECT_FALSE(again.isMaximized());
}

TEST(LuaEditorWindow, DoubleClickAtLineStartTogglesBreakpoint)
{
    EditorFixture f;
    f.Type("a = 1\nb = 2\n");
    QWidget* pane = f.editor->EditWindow()->viewport();
    // the press of a double click places the caret; the double click follows
    auto doubleClick = [&](int offset, bool inMargin) {
        EcPoint p;
        EXPECT_TRUE(f.Edit().PointFromOffset(offset, p));
        const QPoint at(inMargin ? 3 : p.x + 1, p.y + 2);
        QTest::mouseClick(pane, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(pane, Qt::LeftButton, Qt::NoModifier, at);
    };
    CEditMarker* m = nullptr;
    doubleClick(6, false);  // start of the second line
    EXPECT_NE(f.Edit().FindMarker(1, &m, CEditMarker::kBreakpoint), nullptr);
    doubleClick(9, false);  // inside a line: nothing
    EXPECT_NE(f.Edit().FindMarker(1, &m, CEditMarker::kBreakpoint), nullptr);
    EXPECT_EQ(f.Edit().Markers().size(), 1u);
    doubleClick(2, true);  // the left margin of the first line
    EXPECT_NE(f.Edit().FindMarker(0, &m, CEditMarker::kBreakpoint), nullptr);
    doubleClick(6, false);  // again: removed
    EXPECT_EQ(f.Edit().FindMarker(1, &m, CEditMarker::kBreakpoint), nullptr);
    EXPECT_EQ(f.Edit().Markers().size(), 1u);
}

TEST(LuaEditorWindow, HelpAboutAndDebugView)
{
    EditorFixture f;
    f.editor->OnCommand(CLuaEditor::kLuaReference);
    f.editor->OnCommand(CLuaEditor::kDebugView);
    ASSERT_EQ(f.ui->runs.size(), 2u);
    EXPECT_NE(f.ui->runs[0].find("//manual//5.3//"), std::string::npos);
    EXPECT_EQ(f.ui->runs[1], f.Path("quillmont.log"));
    f.editor->OnCommand(CLuaEditor::kAbout);
    ASSERT_EQ(f.ui->boxes.size(), 1u);
    EXPECT_EQ(f.ui->boxes[0].rfind("Morvencast: ", 0), 0u);

    LogCapture log;
    f.ui->runSucceeds = false;
    f.editor->OnCommand(CLuaEditor::kDebugView);
    EXPECT_TRUE(log.Contains("quillmont.log"));
}

// The editor as a user sees it with a shipped script loaded; set
// QM_SCREENSHOT_DIR to keep the picture.
TEST(LuaEditorWindow, ShowsALoadedScript)
{
    EditorFixture f;
    ASSERT_TRUE(f.editor->LoadFile(QM_DATA_DIR "/Lua/Tracks.lua"));
    f.Edit().SetCaretOffset(0, true, true);
    f.editor->resize(760, 560);
    QApplication::processEvents();
    const QImage shot = f.editor->grab().toImage();
    if (const char* dir = std::getenv("QM_SCREENSHOT_DIR"))
        shot.save(QString(dir) + "/lua_editor.png");
    // text is drawn in the edit control, the caption in the status bar
    const QRect edit(f.editor->EditWindow()->mapTo(f.editor.get(), QPoint(0, 0)), f.editor->EditWindow()->size());
    int ink = 0;
    for (int y = edit.top(); y < edit.bottom(); y += 2)
        for (int x = edit.left() + 70; x < edit.right(); x += 2)
            if (qGray(shot.pixel(x, y)) < 128)
                ++ink;
    EXPECT_GT(ink, 500);
    EXPECT_TRUE(f.editor->StatusBar()->isVisible());
    EXPECT_TRUE(f.editor->Caption().isVisible());
}

// The desktop's dialogs block only their editor: the main window and other
// editors stay usable.
TEST(LuaEditorWindow, DesktopDialogsAreModalToTheirEditorOnly)
{
    WorkFolder folder{"luaedit_modal"};
    platform::profile::UseFile(folder.Path() + "/profile.ini");
    QWidget editor;
    editor.show();
    auto ui = MakeDesktopLuaEditorUi();
    std::vector<Qt::WindowModality> seen;
    std::vector<QWidget*> owners;
    auto inspect = [&] {
        QTimer::singleShot(50, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            seen.push_back(modal->windowModality());
            owners.push_back(modal->parentWidget());
            ASSERT_NE(qobject_cast<QDialog*>(modal), nullptr);
            static_cast<QDialog*>(modal)->reject();  // the question ignores a close
        });
    };
    inspect();
    ui->MessageBox(&editor, "Save changes ?", ILuaEditorUi::kButtonsYesNo);
    inspect();
    EXPECT_EQ(ui->FileDialog(&editor, true, "Load Lua", "Script", "Lua script (*.lua)|*.lua|", "default.lua"), "");
    EXPECT_EQ(seen, (std::vector<Qt::WindowModality>{Qt::WindowModal, Qt::WindowModal}));
    EXPECT_EQ(owners, (std::vector<QWidget*>{&editor, &editor}));
    platform::profile::UseFile("");
}
