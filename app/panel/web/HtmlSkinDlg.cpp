#include "app/panel/web/HtmlSkinDlg.h"

#include "app/panel/PanelRegion.h"
#include "app/panel/web/PanelBridge.h"
#include "foundation/core/FileHelpers.h"
#include "foundation/core/Versions.h"
#include "platform/Paths.h"

#include <QFile>
#include <QRegion>
#include <QShortcut>
#include <QThread>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <algorithm>

namespace {

constexpr const char* kShapeFile = "map\\main-bg.bmp";
constexpr const char* kStartPage = "html\\Tracks.htm";

// Reports a mouse-up on an input element to the panel, read from the element's
// properties. A release counts where the press was on the same input (as a click
// does); a slider also counts when the drag ends outside it. The document is
// marked "data-panel-ready" once clicks are reported.
constexpr const char* kListenerScript = R"JS(
(function () {
  if (window.__panelListener) return;
  window.__panelListener = true;
  new QWebChannel(qt.webChannelTransport, function (channel) {
    var panel = channel.objects.panel;
    var down = null;
    document.addEventListener('mousedown', function (e) { down = e.target; }, true);
    document.addEventListener('mouseup', function (e) {
      var el = down;
      down = null;
      if (!el || el.tagName !== 'INPUT') return;
      if (e.target !== el && el.type !== 'range') return;
      panel.inputMouseUp(String(el.className), String(el.name), !!el.checked, String(el.value));
    }, true);
    document.documentElement.setAttribute('data-panel-ready', '1');
  });
})();
)JS";

QString ReadWebChannelScript()
{
    QFile f(":/qtwebchannel/qwebchannel.js");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

} // namespace

CHtmlSkinDlg::CHtmlSkinDlg()
{
    m_programFolder = GetExeDir();
    m_fade.setInterval(kFadeStepMs);
    connect(&m_fade, &QTimer::timeout, this, [this] { FadeStep(); });
    connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) { OnDocumentComplete(ok); });
}

CHtmlSkinDlg::~CHtmlSkinDlg()
{
    OnDestroy();
    if (m_channel)
        page()->setWebChannel(nullptr, QWebEngineScript::ApplicationWorld);
}

bool CHtmlSkinDlg::Create(QWindow* owner)
{
    if (m_created || m_destroyed)
        return false;
    m_owner = owner;
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    // the main window keeps the keys (Space, flying) when the panel fades in
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle("Quillmont Panel");
    winId();
    if (windowHandle() && owner)
        windowHandle()->setTransientParent(owner);

    MakeRegion();
    g_HtmlItemStore.Load(kHtmlItemsFile);
    m_created = true;

    InstallPageScripts();
    for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), this);
        enter->setContext(Qt::WidgetWithChildrenShortcut);
        connect(enter, &QShortcut::activated, this, [this] { OnOK(); });
    }
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    esc->setContext(Qt::WidgetWithChildrenShortcut);
    connect(esc, &QShortcut::activated, this, [this] { OnCancel(); });

    QMetaObject::invokeMethod(this, [this] { OnDelayedNavigate(); }, Qt::QueuedConnection);
    return true;
}

bool CHtmlSkinDlg::MakeRegion()
{
    clearMask();
    m_hasRegion = false;
    std::vector<RegionRun> runs;
    std::string why;
    if (!RegionRunsFromFile(kShapeFile, kRegionThreshold, runs, why) || runs.empty()) {
        // the window keeps its plain rectangle
        CVersions::Print(false, "CHtmlSkinDlg::OnDelayedNavigate Region generation Failed ! %s: %s\n", kShapeFile,
                         runs.empty() && why.empty() ? "no pixel kept" : why.c_str());
        return false;
    }
    std::vector<QRect> rects;
    rects.reserve(runs.size());
    for (const RegionRun& r : runs)
        rects.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
    QRegion region;
    region.setRects(rects.data(), int(rects.size()));
    setMask(region);
    m_hasRegion = true;
    return true;
}

void CHtmlSkinDlg::InstallPageScripts()
{
    m_bridge = new CPanelBridge([this](const PanelInputReport& r) { OnInputMouseUp(r); }, this);
    m_channel = new QWebChannel(this);
    m_channel->registerObject("panel", m_bridge);
    page()->setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);

    const QString channelScript = ReadWebChannelScript();
    if (channelScript.isEmpty())
        CVersions::Print(false, "CHtmlSkinDlg::Create qwebchannel.js not found: clicks in the panel are not seen\n");
    QWebEngineScript script;
    script.setName("panel-listener");
    script.setSourceCode(channelScript + QString::fromUtf8(kListenerScript));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    page()->scripts().insert(script);
}

void CHtmlSkinDlg::OnDelayedNavigate()
{
    const std::string path = platform::ResolvePath(platform::JoinPath(m_programFolder, kStartPage));
    if (!platform::FileExists(path))
        CVersions::Print(false, "CHtmlSkinDlg::OnDelayedNavigate %s not found\n", path.c_str());
    load(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void CHtmlSkinDlg::OnDocumentComplete(bool ok)
{
    const QUrl url = page()->url();
    if (!ok || url.isEmpty())
        return;
    page()->runJavaScript(QString::fromStdString(PanelMarginScript(kPanelMarginLeft, kPanelMarginTop)));
    if (!m_pendingPage.empty()) {
        const std::string pending = m_pendingPage;
        ApplyItems(pending);
    }
    emit documentComplete(QString::fromStdString(PanelPageFromUrl(url.path().toStdString())));
}

void CHtmlSkinDlg::ApplyItems(const std::string& pageName)
{
    m_pendingPage.clear();
    for (const std::string& s : PanelPushScripts(g_HtmlItemStore, pageName))
        page()->runJavaScript(QString::fromStdString(s));
}

void CHtmlSkinDlg::OnInputMouseUp(const PanelInputReport& report)
{
    const PanelMouseUp action = PanelOnMouseUp(report, page()->url().path().toStdString(), m_pendingPage);
    if (action.setPending)
        m_pendingPage = action.pendingPage;
    if (action.update)
        g_HtmlItemStore.Update(action.item);
    emit inputApplied();
}

void CHtmlSkinDlg::CallJScript(const std::string& function, const std::vector<std::string>& args)
{
    std::string call = "if (typeof " + function + " === 'function') " + function + "(";
    for (size_t i = 0; i < args.size(); ++i)
        call += (i ? "," : "") + JsonQuote(args[i]);
    call += ");";
    page()->runJavaScript(QString::fromStdString(call));
}

void CHtmlSkinDlg::OnOK()
{
    CallJScript("myfunction1", {"111", "222"});
}

void CHtmlSkinDlg::showEvent(QShowEvent* e)
{
    QWebEngineView::showEvent(e);
    m_alpha = 0;
    setWindowOpacity(0.0);
    PlaceBesideOwner();
}

void CHtmlSkinDlg::PlaceBesideOwner()
{
    if (!m_owner)
        return;
    const QRect client = m_owner->geometry();
    const PanelRect r = PanelPlacement({client.x(), client.y(), client.width(), client.height()});
    setGeometry(r.x, r.y, r.width, r.height);
}

void CHtmlSkinDlg::ShowPanel(bool show)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, show] { ShowPanel(show); }, Qt::QueuedConnection);
        return;
    }
    if (m_destroyed)
        return;
    m_fadeIn = show;
    if (show) {
        if (!isVisible())
            QWidget::show();
    } else if (!isVisible()) {
        m_fade.stop();
        m_alpha = 0;
        return;
    }
    FadeStep();
    if (show ? m_alpha < kShownAlpha : isVisible())
        m_fade.start();
}

void CHtmlSkinDlg::FadeStep()
{
    if (m_fadeIn) {
        m_alpha = std::min(kShownAlpha, m_alpha + kFadeStep);
        setWindowOpacity(m_alpha / 255.0);
        if (m_alpha == kShownAlpha)
            m_fade.stop();
    } else {
        m_alpha = std::max(0, m_alpha - kFadeStep);
        setWindowOpacity(m_alpha / 255.0);
        if (m_alpha == 0) {
            m_fade.stop();
            hide();
        }
    }
}

bool CHtmlSkinDlg::IsPanelShown() const
{
    return m_fade.isActive() ? m_fadeIn : isVisible();
}

void CHtmlSkinDlg::TogglePanel()
{
    ShowPanel(!IsPanelShown());
}

void CHtmlSkinDlg::OnDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_fade.stop();
    if (m_created)
        g_HtmlItemStore.Save(kHtmlItemsFile);
    clearMask();
    m_hasRegion = false;
    hide();
}
