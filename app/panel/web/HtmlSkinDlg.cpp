#include "app/panel/web/HtmlSkinDlg.h"

#include "app/panel/PanelRegion.h"
#include "app/panel/web/PanelBridge.h"
#include "foundation/core/FileHelpers.h"
#include "foundation/core/Versions.h"
#include "platform/Paths.h"

#include <QEventLoop>
#include <QFile>
#include <QRegion>
#include <QShortcut>
#include <QThread>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <algorithm>
#include <memory>

namespace {

constexpr const char* kShapeFile = "map\\main-bg.bmp";
constexpr const char* kStartPage = "html\\Tracks.htm";

// Reports a mouse-up on an input element to the panel, read from the element's
// properties. Only the primary button counts, and a release only where its press
// was on the same input (as a click does); a slider also counts when the drag ends
// outside it. The document is marked "data-panel-ready" once clicks are reported.
constexpr const char* kListenerScript = R"JS(
(function () {
  if (window.__panelListener) return;
  window.__panelListener = true;
  new QWebChannel(qt.webChannelTransport, function (channel) {
    var panel = channel.objects.panel;
    var down = null;
    document.addEventListener('mousedown', function (e) { if (e.button === 0) down = e.target; }, true);
    document.addEventListener('mouseup', function (e) {
      if (e.button !== 0) return;
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
    // no Reload or Back behind the store's back
    setContextMenuPolicy(Qt::NoContextMenu);
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
    const std::string loaded = PanelPageFromUrl(url.path().toStdString());
    // a tab click names the page to push; a load without one (a reload, a page
    // the page's own script went to) gets the items of the page that loaded
    const std::string pending = m_pendingPage.empty() ? loaded : m_pendingPage;
    ApplyItems(pending);
    emit documentComplete(QString::fromStdString(loaded));
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

bool CHtmlSkinDlg::Evaluate(const std::string& script, QVariant& value)
{
    if (m_destroyed)
        return false;
    // the answer may come after the wait gave up: it then finds no one waiting
    struct Wait {
        QEventLoop* loop = nullptr;
        bool done = false;
        QVariant value;
    };
    auto wait = std::make_shared<Wait>();
    QEventLoop loop;
    wait->loop = &loop;
    page()->runJavaScript(QString::fromStdString(script), [wait](const QVariant& v) {
        wait->value = v;
        wait->done = true;
        if (wait->loop)
            wait->loop->quit();
    });
    if (!wait->done) {
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(kScriptWaitMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    wait->loop = nullptr;
    if (!wait->done)
        return false;
    value = wait->value;
    return true;
}

namespace {

// An answer {ok: true, v: value} from a script; false for anything else.
bool Answered(const QVariant& answer, QVariant* value = nullptr)
{
    const QVariantMap map = answer.toMap();
    if (!map.value("ok").toBool())
        return false;
    if (value)
        *value = map.value("v");
    return true;
}

bool AnsweredText(const QVariant& answer, std::string& text)
{
    QVariant v;
    if (!Answered(answer, &v))
        return false;
    text = v.toString().toStdString();
    return true;
}

} // namespace

bool CHtmlSkinDlg::CallJScript(const std::string& function, const std::vector<std::string>& args, QVariant* result)
{
    std::string call = "(function(){var f=window[" + JsonQuote(function) +
                       "];if(typeof f!=='function')return {ok:false};try{return {ok:true,v:f.apply(window,[";
    for (size_t i = 0; i < args.size(); ++i)
        call += (i ? "," : "") + JsonQuote(args[i]);
    call += "])};}catch(e){return {ok:false};}})()";
    QVariant answer;
    return Evaluate(call, answer) && Answered(answer, result);
}

void CHtmlSkinDlg::SetElementAttribute(const std::string& elementName, const std::string& value,
                                       const std::string& attribute)
{
    page()->runJavaScript(QString::fromStdString(
        "(function(){var e=document.getElementsByName(" + JsonQuote(elementName) + ")[0]||document.getElementById(" +
        JsonQuote(elementName) + ");if(e)e.setAttribute(" + JsonQuote(attribute) + "," + JsonQuote(value) + ");})()"));
}

bool CHtmlSkinDlg::GetElementValue(const std::string& elementName, std::string& value)
{
    QVariant answer;
    return Evaluate("(function(){var e=document.getElementsByName(" + JsonQuote(elementName) +
                        ")[0]||document.getElementById(" + JsonQuote(elementName) +
                        ");if(!e)return {ok:false};var v=e.value!==undefined?e.value:e.getAttribute('value');"
                        "return {ok:true,v:v==null?'':String(v)};})()",
                    answer) &&
           AnsweredText(answer, value);
}

bool CHtmlSkinDlg::GetBodyText(std::string& text)
{
    QVariant answer;
    return Evaluate("(function(){return document.body?{ok:true,v:document.body.innerText}:{ok:false};})()", answer) &&
           AnsweredText(answer, text);
}

bool CHtmlSkinDlg::GetDocumentURL(std::string& url)
{
    QVariant answer;
    return Evaluate("({ok:true,v:document.URL})", answer) && AnsweredText(answer, url);
}

bool CHtmlSkinDlg::GetOptionTexts(const std::string& selectName, std::vector<std::string>& texts)
{
    QVariant answer, list;
    if (!Evaluate("(function(){var s=document.getElementsByName(" + JsonQuote(selectName) +
                      ")[0];if(!s||s.tagName!=='SELECT')return {ok:false};"
                      "return {ok:true,v:Array.prototype.map.call(s.options,function(o){return o.text;})};})()",
                  answer) ||
        !Answered(answer, &list))
        return false;
    texts.clear();
    for (const QVariant& t : list.toList())
        texts.push_back(t.toString().toStdString());
    return true;
}

bool CHtmlSkinDlg::SetMargins(int left, int top)
{
    return CallJScript("eval", {PanelMarginScript(left, top)});
}

void CHtmlSkinDlg::FreeRegion()
{
    clearMask();
    m_hasRegion = false;
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
