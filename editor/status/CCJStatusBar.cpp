#include "editor/status/CCJStatusBar.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

int ScreenWidth()
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 1024;
}

} // namespace

CCJStatusBar::CCJStatusBar(QWidget* parent) : QWidget(parent), model_(ScreenWidth())
{
    setAutoFillBackground(false);
}

CCJStatusBar::~CCJStatusBar()
{
    for (const auto& c : model_.Controls()) {
        QWidget* w = controls_[c.m_pWnd].data();
        if (!w)
            continue;
        w->hide();
        if (!c.m_bAutoDelete)
            w->setParent(nullptr);
    }
}

bool CCJStatusBar::SetIndicators(const std::vector<unsigned>& ids)
{
    model_.SetIndicators(ids);
    PositionControls();
    update();
    return true;
}

bool CCJStatusBar::AddControl(QWidget* control, unsigned paneId, bool autoDelete)
{
    if (!control)
        return false;
    const int token = nextToken_;
    if (!model_.AddControl(token, paneId, autoDelete))
        return false;
    ++nextToken_;
    controls_[token] = control;
    if (control->parentWidget() != this)
        control->setParent(this);
    control->show();
    PositionControls();
    update();
    return true;
}

QWidget* CCJStatusBar::GetPaneControl(unsigned paneId) const
{
    const CCJStatusBarPaneControlInfo* info = model_.GetPaneControl(paneId);
    if (!info)
        return nullptr;
    auto it = controls_.find(info->m_pWnd);
    return it == controls_.end() ? nullptr : it->second.data();
}

void CCJStatusBar::SetPaneWidth(int index, int width)
{
    model_.SetPaneWidth(index, width);
    PositionControls();
    update();
}

bool CCJStatusBar::AddIndicator(int position, unsigned id)
{
    if (!model_.AddIndicator(position, id))
        return false;
    PositionControls();
    update();
    return true;
}

void CCJStatusBar::RemoveIndicator(unsigned id)
{
    CCJStatusBarPaneControlInfo removed;
    if (model_.RemoveIndicator(id, &removed)) {
        QPointer<QWidget> w = controls_[removed.m_pWnd];
        controls_.erase(removed.m_pWnd);
        if (w && removed.m_bAutoDelete)
            delete w.data();
    }
    PositionControls();
    update();
}

void CCJStatusBar::SetPaneText(int index, const std::wstring& text)
{
    model_.SetPaneText(index, text);
    update();
}

void CCJStatusBar::PositionControls()
{
    for (const auto& [token, r] : model_.PositionControls(width(), height())) {
        QWidget* w = controls_[token].data();
        if (w)
            w->setGeometry(r.left, r.top, r.Width(), r.Height());
    }
}

void CCJStatusBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PositionControls();
}

void CCJStatusBar::paintEvent(QPaintEvent*)
{
    using namespace platform;
    QPainter painter(this);
    GdiCanvas dc(painter);
    dc.FillRect({0, 0, width(), height()}, GetSysColor(COLOR_BTNFACE));
    for (int i = 0; i < model_.GetCount(); ++i) {
        CCJStatusBarPane pane;
        model_.GetPane(i, pane);
        const Rect r = GetItemRect(i);
        if (!(pane.style & SBPS_NOBORDERS))
            dc.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT);
        if (!pane.text.empty())
            dc.DrawText(pane.text, {r.left + 3, r.top, r.right - 3, r.bottom}, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
                        GetSysColor(COLOR_BTNTEXT));
    }
}
