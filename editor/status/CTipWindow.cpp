#include "editor/status/CTipWindow.h"

#include "editor/status/PromptStrings.h"
#include "platform/SysColors.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QWidget>

namespace {

std::string s_szPrompt;

// Cut to at most max bytes without splitting a character.
std::string Fit(const std::string& s, size_t max)
{
    if (s.size() <= max)
        return s;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    return s.substr(0, n);
}

} // namespace

// The balloon itself: an information icon, a bold title over the text, wrapped at
// the maximum width.
class TipPopup : public QWidget {
public:
    explicit TipPopup(QWidget* owner)
        : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void SetContent(const QString& title, const QString& text)
    {
        title_ = title;
        text_ = text;
        resize(sizeHint());
        update();
    }
    QSize sizeHint() const override
    {
        const QRect t = TextRect(CTipWindow::kMaxTipWidth);
        const int titleH = title_.isEmpty() ? 0 : std::max(16, BoldMetrics().height()) + 4;
        return {std::max(t.width() + 2 * kPad, title_.isEmpty() ? 0 : TitleWidth()),
                t.height() + titleH + 2 * kPad};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const uint32_t bg = CTipWindow::kBackColour;
        p.fillRect(rect(), QColor(platform::GetR(bg), platform::GetG(bg), platform::GetB(bg)));
        p.setPen(QColor(0x76, 0x76, 0x76));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setPen(Qt::black);
        int y = kPad;
        if (!title_.isEmpty()) {
            const QIcon icon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
            icon.paint(&p, QRect(kPad, y, 16, 16));
            QFont bold = font();
            bold.setBold(true);
            p.setFont(bold);
            p.drawText(QRect(kPad + 20, y, width() - kPad - 20, 16), Qt::AlignVCenter | Qt::TextSingleLine, title_);
            p.setFont(font());
            y += std::max(16, BoldMetrics().height()) + 4;
        }
        p.drawText(QRect(kPad, y, width() - 2 * kPad, height() - y), Qt::TextWordWrap, text_);
    }

private:
    static constexpr int kPad = 6;
    QFontMetrics BoldMetrics() const
    {
        QFont bold = font();
        bold.setBold(true);
        return QFontMetrics(bold);
    }
    int TitleWidth() const { return kPad * 2 + 20 + BoldMetrics().horizontalAdvance(title_); }
    QRect TextRect(int maxWidth) const
    {
        return fontMetrics().boundingRect(QRect(0, 0, maxWidth - 2 * kPad, 10000), Qt::TextWordWrap, text_);
    }

    QString title_;
    QString text_;
};

CTipWindow::~CTipWindow() { Destroy(); }

QWidget* CTipWindow::Window() const { return m_hTip.data(); }

const std::string& CTipWindow::LastPrompt() { return s_szPrompt; }

bool CTipWindow::Create(QWidget* owner, unsigned /*extraStyle: prefixes are never processed here*/)
{
    Destroy();
    m_hTip = new TipPopup(owner);
    m_hOwner = owner;
    m_hTip->setMaximumWidth(kMaxTipWidth);
    m_hTip->SetContent(QString::fromStdString(m_szTitle), QString::fromStdString(m_szText));
    return true;
}

void CTipWindow::Destroy()
{
    if (m_hTip)
        delete m_hTip.data();
    m_hTip = nullptr;
}

bool CTipWindow::MoveTo(int x, int y)
{
    if (m_hTip)
        m_hTip->move(x, y);
    return true;
}

void CTipWindow::Show(bool on)
{
    if (!m_hTip)
        return;
    m_bShown = on;
    m_hTip->setVisible(on);
    if (on)
        m_hTip->raise();
}

void CTipWindow::SetText(const std::string& text)
{
    if (!m_hTip || text.empty())
        return;
    m_szText = Fit(text, kTextMax);
    m_hTip->SetContent(QString::fromStdString(m_szTitle), QString::fromStdString(m_szText));
}

void CTipWindow::SetTitle(const std::string& title)
{
    if (!m_hTip || title.empty())
        return;
    m_szTitle = Fit(title, kTitleMax);
    m_hTip->SetContent(QString::fromStdString(m_szTitle), QString::fromStdString(m_szText));
}

void CTipWindow::MoveToMenuItem(HMENU menu, unsigned command)
{
    if (!m_hTip)
        return;
    platform::Rect r;
    const int count = sysmenu::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (sysmenu::GetMenuItemID(menu, i) == int(command)) {
            sysmenu::GetMenuItemRect(menu, i, r);
            break;
        }
    MoveTo(r.right, r.top);
}

void CTipWindow::ShowMenuPrompt(unsigned command, uint32_t flags, HMENU menu)
{
    if (flags & MF_POPUP) {
        Show(false);
        return;
    }
    if (m_hTip)
        MoveToMenuItem(menu, command);
    if (!LoadPromptString(command, s_szPrompt))
        return;
    if (m_hTip && !s_szPrompt.empty()) {
        m_szText = Fit(s_szPrompt, kTextMax);
        m_hTip->SetContent(QString::fromStdString(m_szTitle), QString::fromStdString(m_szText));
    }
    Show(true);
}
