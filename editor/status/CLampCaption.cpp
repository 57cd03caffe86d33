#include "editor/status/CLampCaption.h"

#include "platform/TextCodec.h"

#include <QMouseEvent>
#include <QPainter>

CLampCaption::CLampCaption(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    blink_.setInterval(LampCaptionState::kTickMs);
    connect(&blink_, &QTimer::timeout, this, &CLampCaption::OnBlinkTick);
    tipTimer_.setSingleShot(true);
    connect(&tipTimer_, &QTimer::timeout, this, [this] { m_tipWnd.Show(false); });
}

CLampCaption::~CLampCaption() { m_tipWnd.Destroy(); }

bool CLampCaption::Create(const std::wstring& caption, QWidget* parent, int id)
{
    setParent(parent);
    setProperty("controlId", id);
    setMouseTracking(true);
    SetCaptionFont(L"Arial", 18, 700, true, false);
    state_.m_strCaption = caption;
    m_tipWnd.Create(this);
    state_.Layout(width(), height());
    return true;
}

void CLampCaption::SetText(const std::wstring& text)
{
    state_.m_strCaption = text;
    update();
}

void CLampCaption::SetCaptionFont(const std::wstring& face, int height, int weight, bool italic, bool underline)
{
    m_fontCaption = {face, height, weight, italic, underline};
    update();
}

void CLampCaption::SetLampColors(COLORREF c0, COLORREF c1, COLORREF c2)
{
    state_.m_crLamp[0] = c0;
    state_.m_crLamp[1] = c1;
    state_.m_crLamp[2] = c2;
}

void CLampCaption::SetTipTexts(const std::wstring& title, const std::wstring& t0, const std::wstring& t1,
                               const std::wstring& t2)
{
    state_.m_strTipTitle = title;
    state_.m_strLampTip[0] = t0;
    state_.m_strLampTip[1] = t1;
    state_.m_strLampTip[2] = t2;
    m_tipWnd.SetTitle(platform::Narrow(title));
}

void CLampCaption::SetBlinkPeriods(int ms0, int ms1, int ms2)
{
    if (state_.SetBlinkPeriods(ms0, ms1, ms2))
        blink_.start();
    else
        blink_.stop();
}

void CLampCaption::Light(int lamp)
{
    state_.LightLamp(lamp);
    update(LampColumn());
}

QRect CLampCaption::LampColumn() const
{
    const Rect& r = state_.m_rcLampColumn;
    return QRect(r.left, r.top, r.Width(), r.Height());
}

void CLampCaption::OnBlinkTick()
{
    if (state_.Tick())
        update(LampColumn());
}

void CLampCaption::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    state_.Layout(width(), height());
}

void CLampCaption::paintEvent(QPaintEvent*)
{
    using namespace platform;
    QPainter painter(this);
    GdiCanvas dc(painter);
    dc.FillRect({0, 0, width(), height()}, state_.m_crFace);
    if (state_.m_bLampsShown != 0)
        for (int i = 0; i < 3; ++i) {
            const Rect& r = state_.m_rcLamp[i];
            dc.Draw3dRect(r, state_.m_crHilite, state_.m_crShade);
            dc.FillRect({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1},
                        state_.m_nLampTicks[i] != 0 ? state_.m_crLamp[i] : state_.m_crFace);
        }
    dc.SelectFont(m_fontCaption);
    const Rect t = state_.TextRect(width(), height());
    dc.DrawText(state_.m_strCaption, {t.left + 1, t.top + 1, t.right + 1, t.bottom + 1}, DT_SINGLELINE,
                state_.m_crHilite);
    dc.DrawText(state_.m_strCaption, t, DT_SINGLELINE, state_.m_crShade);
}

void CLampCaption::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    int lamp = -1;
    if (state_.MouseMove(p.x(), p.y(), lamp)) {
        const QPoint g = mapToGlobal(p);
        m_tipWnd.MoveTo(g.x(), g.y());
        if (lamp >= 0)
            m_tipWnd.SetText(platform::Narrow(state_.m_strLampTip[lamp]));
        m_tipWnd.Show(true);
        tipTimer_.start(kTipTimerMs);
    }
    QWidget::mouseMoveEvent(event);
}

void CLampCaption::hideEvent(QHideEvent* event)
{
    m_tipWnd.Show(false);
    QWidget::hideEvent(event);
}
