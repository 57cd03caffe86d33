// The panel through the real web engine: clicks on the pages' inputs reach the
// store, stored values come back into the pages after a load and after a restart,
// and the window sits beside its owner, fades and keeps Enter and Esc to itself.
#include "app/panel/HtmlItemStore.h"
#include "app/panel/web/HtmlSkinDlg.h"
#include "log_capture.h"
#include "work_folder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWebEnginePage>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
        ASSERT_TRUE(m_dir.Ok());
        std::filesystem::create_directories("map");
        std::filesystem::copy_file(std::string(QM_DATA_DIR) + "/map/main-bg.bmp", "map/main-bg.bmp");
        g_HtmlItemStore.Clear();
        m_owner.setWindowTitle("owner");
        m_owner.setStyleSheet("background: #6b8f4e;");
        m_owner.setGeometry(60, 80, 900, 640);
        m_owner.show();
        ASSERT_TRUE(WaitFor([&] { return m_owner.windowHandle() && m_owner.windowHandle()->isExposed(); }));
    }
    void TearDown() override
    {
        m_panel.reset();
        g_HtmlItemStore.Clear();
    }

    // A panel as the program starts it: created, page loaded, faded in.
    void StartPanel()
    {
        m_panel = std::make_unique<CHtmlSkinDlg>();
        m_panel->SetProgramFolder(QM_DATA_DIR);
        QObject::connect(m_panel.get(), &CHtmlSkinDlg::documentComplete,
                         [this](const QString& page) { m_loaded = page.toStdString(); });
        QObject::connect(m_panel.get(), &CHtmlSkinDlg::inputApplied, [this] { ++m_inputs; });
        m_loaded.clear();
        ASSERT_TRUE(m_panel->Create(m_owner.windowHandle()));
        ASSERT_TRUE(WaitLoaded("Tracks"));
        m_panel->ShowPanel(true);
        ASSERT_TRUE(WaitFor([&] { return !m_panel->IsFading(); }));
        ASSERT_TRUE(WaitReady());
    }

    // Clicks are reported once the page's channel is up.
    bool WaitReady()
    {
        return WaitFor([&] {
            return Js("document.documentElement.getAttribute('data-panel-ready')").toString() == "1";
        });
    }

    // Closes the panel as the program does at shutdown, then forgets the store.
    void StopPanel()
    {
        m_panel->OnDestroy();
        m_panel.reset();
        g_HtmlItemStore.Clear();
    }

    bool WaitLoaded(const std::string& page)
    {
        const bool ok = WaitFor([&] { return m_loaded == page; });
        m_loaded.clear();
        return ok;
    }

    QVariant Js(const std::string& script)
    {
        QVariant result;
        bool done = false;
        m_panel->page()->runJavaScript(QString::fromStdString(script), [&](const QVariant& v) {
            result = v;
            done = true;
        });
        WaitFor([&] { return done; });
        return result;
    }

    std::string Element(const std::string& name) { return "document.getElementsByName('" + name + "')[0]"; }

    // A mouse click at the middle of the element, delivered to the view's input
    // widget (no shared pointer, so tests can run side by side).
    void ClickAt(const std::string& selector)
    {
        const QVariantList c = Js("(function(){var r=document.querySelector(\"" + selector +
                                  "\").getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];})()")
                                   .toList();
        ASSERT_EQ(c.size(), 2) << selector;
        QWidget* input = m_panel->focusProxy();
        ASSERT_NE(input, nullptr);
        const QPoint at(int(c[0].toDouble()), int(c[1].toDouble()));
        QTest::mouseMove(input, at);
        QTest::mouseClick(input, Qt::LeftButton, Qt::NoModifier, at);
    }
    void Key(Qt::Key key)
    {
        QWidget* input = m_panel->focusProxy();
        ASSERT_NE(input, nullptr);
        QTest::keyClick(input, key);
    }
    // Clicks an input (by name, or by selector) and waits until its mouse-up is applied.
    void Click(const std::string& name, const std::string& selector = "")
    {
        const int before = m_inputs;
        ClickAt(selector.empty() ? "input[name=" + name + "]" : selector);
        ASSERT_TRUE(WaitFor([&] { return m_inputs > before; })) << "no mouse-up reported for " << name << selector;
    }

    WorkFolder m_dir{"panel"};
    QWidget m_owner;
    std::unique_ptr<CHtmlSkinDlg> m_panel;
    std::string m_loaded;
    int m_inputs = 0;
};

TEST_F(PanelTest, WireframeClickReachesTheStoreAndComesBackAfterARestart)
{
    StartPanel();
    ASSERT_TRUE(m_panel->HasRegion());
    EXPECT_EQ(m_panel->PendingPage(), "");

    Click("", "input.tab[value=Options]");
    EXPECT_EQ(m_panel->PendingPage(), "Options");
    ASSERT_TRUE(WaitLoaded("Options"));
    EXPECT_EQ(m_panel->PendingPage(), "");

    ASSERT_TRUE(WaitReady());
    EXPECT_FALSE(Js(Element("wireframe") + ".checked").toBool());

    const int before = g_HtmlItemStore.ChangeCount();
    Click("wireframe");
    EXPECT_GT(g_HtmlItemStore.ChangeCount(), before);
    EXPECT_EQ(g_HtmlItemStore.Lookup("Options", "wireframe"), "1");
    EXPECT_TRUE(Js(Element("wireframe") + ".checked").toBool()) << "the box shows what the store holds";

    Click("wireframe");
    EXPECT_TRUE(g_HtmlItemStore.HasChanged());
    EXPECT_EQ(g_HtmlItemStore.Lookup("Options", "wireframe"), "0");
    EXPECT_FALSE(Js(Element("wireframe") + ".checked").toBool());

    Click("wireframe");
    EXPECT_EQ(g_HtmlItemStore.Lookup("Options", "wireframe"), "1");
    // keys cannot change a control behind the store's back
    ASSERT_TRUE(Js(Element("wireframe") + ".focus(); document.activeElement.name").toString() == "wireframe");
    Key(Qt::Key_Space);
    QApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_TRUE(Js(Element("wireframe") + ".checked").toBool());
    StopPanel();
    EXPECT_NE(m_dir.Read("Html/HtmlItems.dat").find("Options|wireframe|1|1|styledCheckbox\n"), std::string::npos)
        << m_dir.Read("Html/HtmlItems.dat");

    // restart: the store is read again; the first page gets its items, and a tab
    // click brings those of the next page
    m_dir.Write("Html/HtmlItems.dat", m_dir.Read("Html/HtmlItems.dat") +
                                          "Options|framerate|-5|0|rangeSlider\nTrains|Speed|150|0|rangeSlider\n");
    StartPanel();
    Click("", "input.tab[value=Options]");
    ASSERT_TRUE(WaitLoaded("Options"));
    ASSERT_TRUE(WaitReady());
    EXPECT_TRUE(Js(Element("wireframe") + ".checked").toBool());
    EXPECT_FALSE(Js(Element("vsync") + ".checked").toBool());
    EXPECT_EQ(Js(Element("framerate") + ".value").toString(), "10") << "-5 is pushed as 0, which the slider clamps";

    Click("", "input.tab[value=Trains]");
    ASSERT_TRUE(WaitLoaded("Trains"));
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(Js(Element("Speed") + ".value").toString(), "150");
    EXPECT_EQ(Js("document.querySelector('output').value").toString(), "150") << "the label follows the push";

    // a click on the slider stores the value it then shows
    Click("Speed");
    const std::string shown = Js(Element("Speed") + ".value").toString().toStdString();
    EXPECT_NE(shown, "150");
    EXPECT_EQ(g_HtmlItemStore.Lookup("Trains", "Speed"), shown);
}

TEST_F(PanelTest, TrackEditButtonSwitchesOnceAndShowsTheStateInEffect)
{
    // the default store: editing off
    m_dir.Write("Html/HtmlItems.dat", "Tracks|TrackOn|1|0|toggleButton active\n");
    StartPanel();
    const std::string isActive = Element("TrackOn") + ".classList.contains('active')";
    EXPECT_EQ(g_HtmlItemStore.Lookup("Tracks", "TrackOn"), "1");
    EXPECT_FALSE(Js(isActive).toBool());

    Click("TrackOn");
    EXPECT_EQ(g_HtmlItemStore.Lookup("Tracks", "TrackOn"), "0") << "editing on";
    EXPECT_TRUE(Js(isActive).toBool());

    Click("TrackOn");
    EXPECT_EQ(g_HtmlItemStore.Lookup("Tracks", "TrackOn"), "1") << "editing off";
    EXPECT_FALSE(Js(isActive).toBool());

    Click("TrackOn");
    EXPECT_EQ(g_HtmlItemStore.Lookup("Tracks", "TrackOn"), "0");
    StopPanel();
    StartPanel();
    EXPECT_EQ(g_HtmlItemStore.Lookup("Tracks", "TrackOn"), "0");
    EXPECT_TRUE(Js(isActive).toBool()) << "after a restart the button shows editing on";
    EXPECT_EQ(Js("document.querySelector('[data-state-of=TrackOn]').textContent").toString(), "on");

    // QM_PANEL_SCREENSHOT=<file.png>: a picture of the panel beside its owner
    if (const char* shot = std::getenv("QM_PANEL_SCREENSHOT"))
        EXPECT_EQ(std::system((std::string("import -window root ") + shot).c_str()), 0);

    // the red button arms once and is read once
    Click("Clear");
    EXPECT_EQ(g_HtmlItemStore.Lookup("Tracks", "Clear"), "1");
    EXPECT_EQ(g_HtmlItemStore.Lookup("Tracks", "Clear"), "0");
}

TEST_F(PanelTest, SitsBesideItsOwnerFadesAndKeepsEnterAndEsc)
{
    std::filesystem::remove("map/main-bg.bmp");
    LogCapture log;
    StartPanel();
    EXPECT_TRUE(log.Contains("CHtmlSkinDlg::OnDelayedNavigate Region generation Failed !"));
    EXPECT_FALSE(m_panel->HasRegion()) << "a missing shape leaves the window rectangular";

    const QRect client = m_owner.windowHandle()->geometry();
    EXPECT_EQ(m_panel->geometry(), QRect(client.right() + 1 - 460, client.top() - 38, 460, client.height() + 38));
    EXPECT_TRUE(m_panel->isVisible());
    EXPECT_EQ(m_panel->Alpha(), 160);

    m_owner.setGeometry(40, 90, 1000, 700);
    ASSERT_TRUE(WaitFor([&] { return m_owner.windowHandle()->geometry().width() == 1000; }));
    m_panel->PlaceBesideOwner();
    const QRect moved = m_owner.windowHandle()->geometry();
    EXPECT_EQ(m_panel->geometry(), QRect(moved.right() + 1 - 460, moved.top() - 38, 460, moved.height() + 38));

    // a fade started during another one takes over: hide then show ends shown
    m_panel->ShowPanel(false);
    QApplication::processEvents(QEventLoop::AllEvents, 60);
    m_panel->TogglePanel();
    EXPECT_TRUE(m_panel->IsPanelShown());
    ASSERT_TRUE(WaitFor([&] { return !m_panel->IsFading(); }));
    EXPECT_TRUE(m_panel->isVisible());
    EXPECT_EQ(m_panel->Alpha(), 160);
    // ... and show then hide ends hidden, at alpha 0
    m_panel->ShowPanel(false);
    m_panel->ShowPanel(true);
    m_panel->ShowPanel(false);
    ASSERT_TRUE(WaitFor([&] { return !m_panel->IsFading(); }));
    EXPECT_FALSE(m_panel->isVisible());
    EXPECT_EQ(m_panel->Alpha(), 0);
    // the render thread shows it through the GUI thread
    std::thread([this] { m_panel->ShowPanel(true); }).join();
    ASSERT_TRUE(WaitFor([&] { return m_panel->isVisible() && !m_panel->IsFading(); }));
    EXPECT_EQ(m_panel->Alpha(), 160);

    // Enter calls the page's function and keeps the panel; Esc does nothing
    m_panel->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == m_panel.get(); }, 5000));
    Key(Qt::Key_Return);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] {
        return Js("document.getElementById('status').textContent").toString() == "Enter (111, 222)";
    }));
    EXPECT_TRUE(m_panel->isVisible());

}

} // namespace
