// The panel through the real web engine: clicks on the pages' inputs reach the
// store, stored values come back into the pages after a load and after a restart,
// and the window sits beside its owner, fades and keeps Enter and Esc to itself.
#include "app/panel/HtmlItemStore.h"
#include "app/panel/web/HtmlSkinDlg.h"
#include "log_capture.h"
#include "work_folder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
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
    void StartPanel(const std::string& programFolder = QM_DATA_DIR)
    {
        m_panel = std::make_unique<CHtmlSkinDlg>();
        m_panel->SetProgramFolder(programFolder);
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
    void ClickAt(const std::string& selector, Qt::MouseButton button = Qt::LeftButton)
    {
        const QVariantList c = Js("(function(){var r=document.querySelector(\"" + selector +
                                  "\").getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];})()")
                                   .toList();
        ASSERT_EQ(c.size(), 2) << selector;
        QWidget* input = m_panel->focusProxy();
        ASSERT_NE(input, nullptr);
        const QPoint at(int(c[0].toDouble()), int(c[1].toDouble()));
        QTest::mouseMove(input, at);
        QTest::mouseClick(input, button, Qt::NoModifier, at);
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
    EXPECT_EQ(Js(Element("framerate") + ".value").toString(), "10") << "-5 is pushed as the slider's minimum";

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
    if (const char* shot = std::getenv("QM_PANEL_SCREENSHOT")) {
        EXPECT_EQ(std::system((std::string("import -window root ") + shot).c_str()), 0);
    }

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

TEST_F(PanelTest, OnlyThePrimaryButtonClicksAndNoContextMenuOffersReloadOrBack)
{
    StartPanel();
    const int before = m_inputs;
    // a middle click on "Clear" would arm it, one on a tab would set the pending page
    ClickAt("input[name=Clear]", Qt::MiddleButton);
    ClickAt("input.tab[value=Options]", Qt::MiddleButton);
    ClickAt("input[name=Clear]", Qt::RightButton);
    QMenu* menu = nullptr;
    WaitFor(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible())
                    menu = m;
            return menu != nullptr;
        },
        1500);
    EXPECT_EQ(menu, nullptr) << "a context menu opened";
    if (menu)
        menu->close();
    Click("TrackOn"); // reports arrive in order: the left click's comes after any other
    EXPECT_EQ(m_inputs, before + 1);
    EXPECT_EQ(m_panel->PendingPage(), "");
    EXPECT_EQ(g_HtmlItemStore.Lookup("Tracks", "Clear"), "") << "a middle click armed the red button";
}

TEST_F(PanelTest, APageLoadedWithoutATabClickShowsItsStoredItems)
{
    m_dir.Write("Html/HtmlItems.dat", "Tracks|TrackOn|1|0|toggleButton active\nOptions|framerate|30|0|rangeSlider\n");
    StartPanel();
    const std::string isActive = Element("TrackOn") + ".classList.contains('active')";
    ASSERT_FALSE(Js(isActive).toBool());
    Click("", "input.tab[value=Options]");
    ASSERT_TRUE(WaitLoaded("Options"));
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(Js(Element("framerate") + ".value").toString(), "30");

    // what the page's own script or a reload brings is a load with no pending page
    Js(Element("framerate") + ".value = '99'");
    m_panel->page()->triggerAction(QWebEnginePage::Reload);
    ASSERT_TRUE(WaitLoaded("Options"));
    EXPECT_EQ(Js(Element("framerate") + ".value").toString(), "30");
    m_panel->page()->triggerAction(QWebEnginePage::Back);
    ASSERT_TRUE(WaitLoaded("Tracks"));
    EXPECT_FALSE(Js(isActive).toBool()) << "the page's default shows editing on, the store says off";
}

TEST_F(PanelTest, OperationsAnswerFromTheLoadedPageWithinASecond)
{
    m_dir.Write("html/Tracks.htm", R"(<!DOCTYPE html><html><head><meta charset="utf-8"><script>
function myfunction1(a, b) { return a + b; }
function thrower() { throw new Error('no'); }
function slow() { var t = Date.now(); while (Date.now() - t < 3000) {} return 1; }
</script></head><body><p>Hello panel</p>
<input type="text" name="city" value="Paris"><div id="box"></div>
<select name="colours"><option>Red</option><option>Green</option><option value="b">Blue</option></select>
</body></html>)");
    StartPanel(m_dir.Path());
    ASSERT_TRUE(m_panel->HasRegion());

    QVariant result;
    EXPECT_TRUE(m_panel->CallJScript("myfunction1", {"111", "222"}, &result));
    EXPECT_EQ(result.toString(), "111222");
    EXPECT_TRUE(m_panel->CallJScript("eval", {"1 + 2"}, &result));
    EXPECT_EQ(result.toInt(), 3);
    EXPECT_FALSE(m_panel->CallJScript("nosuch", {}));
    EXPECT_FALSE(m_panel->CallJScript("thrower", {}));

    std::string text;
    EXPECT_TRUE(m_panel->GetElementValue("city", text));
    EXPECT_EQ(text, "Paris");
    EXPECT_FALSE(m_panel->GetElementValue("nosuch", text));
    m_panel->SetElementAttribute("city", "Rome", "value");
    m_panel->SetElementAttribute("box", "x\"y", "data-mark");
    EXPECT_TRUE(m_panel->GetElementValue("city", text));
    EXPECT_EQ(text, "Rome");
    EXPECT_EQ(Js("document.getElementById('box').getAttribute('data-mark')").toString(), "x\"y");

    EXPECT_TRUE(m_panel->GetBodyText(text));
    EXPECT_NE(text.find("Hello panel"), std::string::npos) << text;
    EXPECT_TRUE(m_panel->GetDocumentURL(text));
    EXPECT_EQ(text, QUrl::fromLocalFile(QString::fromStdString(m_dir.Path() + "/html/Tracks.htm")).toString().toStdString());
    std::vector<std::string> options;
    EXPECT_TRUE(m_panel->GetOptionTexts("colours", options));
    EXPECT_EQ(options, (std::vector<std::string>{"Red", "Green", "Blue"}));
    EXPECT_FALSE(m_panel->GetOptionTexts("city", options)) << "not a select element";

    EXPECT_TRUE(m_panel->SetMargins(5, 7));
    EXPECT_EQ(Js("document.body.style.marginLeft + ' ' + document.body.style.marginTop").toString(), "5px 7px");
    m_panel->FreeRegion();
    EXPECT_FALSE(m_panel->HasRegion());
    EXPECT_TRUE(m_panel->mask().isEmpty());

    // a page that does not answer within the second: failure, without waiting for it
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(m_panel->CallJScript("slow", {}, &result));
    EXPECT_LT(t.elapsed(), 2800);
    EXPECT_TRUE(WaitFor([&] { return m_panel->CallJScript("myfunction1", {"a", "b"}, &result); }));
    EXPECT_EQ(result.toString(), "ab");
}

TEST_F(PanelTest, AStoreThatCouldNotBeReadIsKeptUntilAControlChanges)
{
    std::string big;
    while (big.size() <= CHtmlItemStore::kMaxFileBytes)
        big += "Options|framerate|60|0|rangeSlider\n";
    m_dir.Write("Html/HtmlItems.dat", big);
    StartPanel();
    g_HtmlItemStore.Lookup("Tracks", "Clear"); // as the render thread does while editing
    StopPanel();
    EXPECT_TRUE(m_dir.Read("Html/HtmlItems.dat") == big) << "replaced without a change";

    StartPanel();
    Click("TrackOn");
    StopPanel();
    const std::string now = m_dir.Read("Html/HtmlItems.dat");
    EXPECT_EQ(now.rfind("Tracks|TrackOn|", 0), 0u) << now.substr(0, 200);
    EXPECT_LT(now.size(), 100u);
}

// A store read at the cap without a final newline takes a click that keeps its
// size: the shutdown saves it without a line and the next start shows it.
TEST_F(PanelTest, AStoreAtTheCapWithoutAFinalNewlineKeepsASameSizeClick)
{
    std::string text;
    for (int i = 0; text.size() < CHtmlItemStore::kMaxFileBytes - 200; ++i)
        text += "Trains|control" + std::to_string(i) + "|0|0|rangeSlider\n";
    const std::string head = "Trains|pad|", tail = "|0|text\n", last = "Options|wireframe|0|0|styledCheckbox";
    text += head + std::string(CHtmlItemStore::kMaxFileBytes - text.size() - head.size() - tail.size() - last.size(), 'x') +
            tail + last;
    ASSERT_EQ(text.size(), CHtmlItemStore::kMaxFileBytes);
    m_dir.Write("Html/HtmlItems.dat", text);

    StartPanel();
    Click("", "input.tab[value=Options]");
    ASSERT_TRUE(WaitLoaded("Options"));
    ASSERT_TRUE(WaitReady());
    Click("wireframe");
    {
        LogCapture log;
        StopPanel();
        EXPECT_FALSE(log.Contains("HtmlItems.dat")) << ::testing::PrintToString(log.Lines());
    }
    EXPECT_EQ(m_dir.Read("Html/HtmlItems.dat").size(), CHtmlItemStore::kMaxFileBytes);

    StartPanel();
    Click("", "input.tab[value=Options]");
    ASSERT_TRUE(WaitLoaded("Options"));
    ASSERT_TRUE(WaitReady());
    EXPECT_TRUE(Js(Element("wireframe") + ".checked").toBool()) << "the click was not kept";
}

// A shape of millions of rectangles killed the connection to the X server.
TEST_F(PanelTest, ShapeOfTooManyRectanglesLeavesThePanelRectangular)
{
    QImage board(3000, 3000, QImage::Format_Indexed8);
    board.setColorCount(256);
    for (int i = 0; i < 256; ++i)
        board.setColor(i, qRgb(i, i, i));
    for (int y = 0; y < board.height(); ++y) {
        uchar* row = board.scanLine(y);
        for (int x = 0; x < board.width(); ++x)
            row[x] = (x + y) % 2 ? 255 : 0;
    }
    struct Case {
        QImage picture;
        const char* why;
    };
    const Case cases[] = {
        {board, "more than 10000 rectangles"},
        {board.convertToFormat(QImage::Format_Mono), "not an uncompressed 8, 24 or 32-bit BMP"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.picture.save("map/main-bg.bmp", "BMP"));
        LogCapture log;
        StartPanel();
        EXPECT_FALSE(m_panel->HasRegion());
        EXPECT_TRUE(m_panel->mask().isEmpty());
        EXPECT_TRUE(log.Contains(std::string("CHtmlSkinDlg::OnDelayedNavigate Region generation Failed ! map\\main-bg.bmp: ") +
                                 c.why))
            << c.why;
        EXPECT_TRUE(m_panel->isVisible());
        EXPECT_EQ(Js("1 + 1").toInt(), 2) << "the page still answers";
        StopPanel();
    }
}

} // namespace
