// The editor host: F11's requests open, hide and show an editor on the GUI
// thread; a missing script opens an empty editor that keeps its path.
#include "editor/window/LuaEditHost.h"
#include "editor/window/LuaEditor.h"
#include "log_capture.h"
#include "platform/Profile.h"
#include "work_folder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

struct HostFixture {
    WorkFolder folder{"edithost"};
    platform::EventPtr run = platform::CreateNamedEvent("IDSTR-1-8", true, false);
    platform::EventPtr compile = platform::CreateNamedEvent("IDSTR-2-8", true, false);
    DebugLinkPtr link = CDebugLink::Make("IDSTR-1-8");
    bool madeLua = std::filesystem::create_directories(folder.Path() + "/Lua");

    HostFixture()
    {
        platform::profile::UseFile(folder.Path() + "/profile.ini");
        CLuaEditHost::Install();
    }
    ~HostFixture()
    {
        CLuaEditHost::CloseAll();
        QApplication::processEvents();
        CDebugLink::SetEditorHandler(nullptr);
        platform::profile::UseFile("");
    }
    CDebugLink::EditorRequest Toggle(const std::string& path)
    {
        CDebugLink::EditorRequest r;
        r.path = path;
        r.runEvent = "IDSTR-1-8";
        r.debugEvent = "IDSTR-3-8";
        r.compileEvent = "IDSTR-2-8";
        return r;
    }
};

TEST(LuaEditHost, AMissingScriptOpensAnEmptyEditorThatSaveCreates)
{
    HostFixture f;
    const std::string path = f.folder.Path() + "/Lua/New.lua";
    LogCapture log;
    CLuaEditHost::OnRequest(f.link, f.Toggle(path));
    CLuaEditHost* host = CLuaEditHost::Find("IDSTR-1-8");
    ASSERT_NE(host, nullptr);
    CLuaEditor* editor = host->m_pEditor;
    EXPECT_TRUE(log.Contains("CLuaEditHost::InitInstance can't open " + path));
    EXPECT_TRUE(editor->WindowExists());
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->Edit().GetText(), "");
    EXPECT_EQ(editor->m_strPath, path);
    EXPECT_TRUE(f.run->IsSet()) << "the editor is ready";
    EXPECT_TRUE(f.link->IsEditorOpen());

    editor->Edit().InsertText("x = 1\n");
    ASSERT_TRUE(editor->OnFileSave());
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "x = 1\n");
    EXPECT_TRUE(f.compile->IsSet());
}

TEST(LuaEditHost, ToggleHidesAnUnchangedEditorAndShowsAChangedOne)
{
    HostFixture f;
    f.folder.Write("Lua/T.lua", "t = 1\n");
    const std::string path = f.folder.Path() + "/Lua/T.lua";
    CLuaEditHost::OnRequest(f.link, f.Toggle(path));
    CLuaEditor* editor = CLuaEditHost::Find("IDSTR-1-8")->m_pEditor;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
    EXPECT_EQ(editor->Edit().GetText(), "t = 1\n");

    CDebugLink::EditorRequest toggle;  // an open editor needs no file details
    toggle.topmost = true;
    CLuaEditHost::OnRequest(f.link, toggle);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(f.link->IsEditorVisible());
    CLuaEditHost::OnRequest(f.link, toggle);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->windowFlags() & Qt::WindowStaysOnTopHint) << "full screen: above the others";
    EXPECT_EQ(CLuaEditHost::Find("IDSTR-1-8")->m_pEditor, editor) << "the same editor, not a new one";

    editor->Edit().InsertText("-- changed\n");
    toggle.topmost = false;
    CLuaEditHost::OnRequest(f.link, toggle);
    EXPECT_TRUE(editor->isVisible()) << "unsaved changes: brought to the front, not hidden";
    EXPECT_FALSE(editor->windowFlags() & Qt::WindowStaysOnTopHint);
    editor->Edit().SetModified(false);

    // closed by the user: the link is closed for the editor, the next toggle opens a new one
    editor->close();
    EXPECT_FALSE(f.link->IsEditorOpen());
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(CLuaEditHost::Find("IDSTR-1-8"), nullptr);
    CLuaEditHost::OnRequest(f.link, f.Toggle(path));
    ASSERT_NE(CLuaEditHost::Find("IDSTR-1-8"), nullptr);
    EXPECT_TRUE(f.link->IsEditorOpen());
}

// An editor ended while a dialog of its own is open (its About box): by its own
// close once line trace's second has passed, or by F11 during that second,
// which makes a new editor. The dialog is rejected and the old editor goes
// once its command has returned.
TEST(LuaEditHost, AnEditorEndedUnderItsOwnDialogGoesOnceTheDialogReturns)
{
    for (const bool f11 : {false, true}) {
        SCOPED_TRACE(f11 ? "F11 during the second" : "its own close");
        HostFixture f;
        f.folder.Write("Lua/T.lua", "t = 1\n");
        const std::string path = f.folder.Path() + "/Lua/T.lua";
        CLuaEditHost::OnRequest(f.link, f.Toggle(path));
        QPointer<CLuaEditor> editor = CLuaEditHost::Find("IDSTR-1-8")->m_pEditor;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
        editor->OnCommand(CLuaEditor::kSingleStep);
        ASSERT_TRUE(editor->SingleStep());
        editor->close();
        ASSERT_TRUE(editor->ShutdownPending()) << "line trace: the editor ends a second later";
        editor->showNormal();  // restored by the user within that second

        bool seen = false, rescued = false;
        int result = -1;
        QTimer::singleShot(100, [&] {
            for (QMessageBox* box : editor->findChildren<QMessageBox*>()) {
                if (!box->isVisible())
                    continue;
                seen = true;
                QObject::connect(box, &QDialog::finished, [&result](int r) { result = r; });
            }
            if (f11)
                CLuaEditHost::OnRequest(f.link, f.Toggle(path));
        });
        QTimer rescue;  // a box nothing rejects is closed here, late
        rescue.setSingleShot(true);
        QObject::connect(&rescue, &QTimer::timeout, [&] {
            rescued = true;
            for (QMessageBox* box : editor->findChildren<QMessageBox*>())
                box->accept();
        });
        rescue.start(4000);
        editor->OnCommand(CLuaEditor::kAbout);
        EXPECT_TRUE(seen);
        EXPECT_FALSE(rescued);
        EXPECT_EQ(result, QDialog::Rejected);
        ASSERT_TRUE(editor) << "the editor lives until its command has returned";
        EXPECT_FALSE(editor->WindowExists());
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(editor) << "then it goes";
        CLuaEditHost* host = CLuaEditHost::Find("IDSTR-1-8");
        if (f11) {
            ASSERT_NE(host, nullptr);
            EXPECT_TRUE(host->m_pEditor->WindowExists());
            EXPECT_TRUE(host->m_pEditor->isVisible());
            EXPECT_TRUE(f.link->IsEditorOpen());
        } else {
            EXPECT_EQ(host, nullptr);
        }
    }
}

} // namespace
