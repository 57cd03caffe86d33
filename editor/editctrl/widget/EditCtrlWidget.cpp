#include "editor/editctrl/widget/EditCtrlWidget.h"

#include "editor/editctrl/CodePage.h"
#include "editor/editctrl/widget/QtEditImageList.h"
#include "platform/SysColors.h"
#include "platform/VirtualKeys.h"

#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextDocument>
#include <QToolTip>

namespace {

EcPoint ToEc(QPoint p) { return {p.x(), p.y()}; }

} // namespace

CEditCtrlWidget::CEditCtrlWidget(CEditCtrl& ctrl, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_ctrl(ctrl),
      m_measurer(QFontDatabase::systemFont(QFontDatabase::FixedFont)),
      m_dragSource(viewport())
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_cursorPos = [this] { return viewport()->mapFromGlobal(QCursor::pos()); };
    m_mouseButtons = [] { return QGuiApplication::mouseButtons(); };
    m_fonts.text = m_measurer.Font();
    m_fonts.link = m_fonts.text;
    m_fonts.link.setUnderline(true);
    m_fonts.ascent = m_measurer.Ascent();

    const int flash = QApplication::cursorFlashTime();
    m_blink.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        viewport()->update(CaretRect());
    });
    m_autoScroll.setInterval(int(m_ctrl.m_nAutoScrollInterval));
    connect(&m_autoScroll, &QTimer::timeout, this, &CEditCtrlWidget::AutoScrollTick);

    SystemColorsChanged();
    m_ctrl.SetClipboard(&m_clipboard);
    m_ctrl.SetDragSource(&m_dragSource);
    const QSize size = viewport()->size();
    m_ctrl.Create(this, &m_measurer, EcRect{0, 0, size.width(), size.height()});
}

CEditCtrlWidget::~CEditCtrlWidget()
{
    m_ctrl.SetClipboard(nullptr);
    m_ctrl.SetDragSource(nullptr);
    m_ctrl.DetachWindow();
}

void CEditCtrlWidget::SetEditFont(const QFont& font, bool redraw)
{
    m_measurer.SetFont(font);
    m_fonts.text = font;
    m_fonts.link = font;
    m_fonts.link.setUnderline(true);
    m_fonts.ascent = m_measurer.Ascent();
    m_ctrl.RecalcFontMetrics();
    if (redraw)
        viewport()->update();
}

void CEditCtrlWidget::SetImageList(const CQtEditImageList* images)
{
    m_ctrl.SetImageList(images);
    m_ctrl.RecalcFontMetrics();
    viewport()->update();
}

void CEditCtrlWidget::HideToolTip()
{
    if (QToolTip::isVisible())
        QToolTip::hideText();
}

void CEditCtrlWidget::SystemColorsChanged()
{
    m_ctrl.m_crSelBack = m_ctrl.m_crSelBack2 = platform::GetSysColor(platform::COLOR_HIGHLIGHT);
    m_ctrl.m_crSelText = m_ctrl.m_crSelText2 = platform::GetSysColor(platform::COLOR_HIGHLIGHTTEXT);
    viewport()->update();
}

// --- the core's window side --------------------------------------------------------

void CEditCtrlWidget::Invalidate(const EcRect& rect)
{
    if (rect.IsEmpty())
        viewport()->update();
    else
        viewport()->update(QRect(rect.left, rect.top, rect.Width(), rect.Height()));
}

void CEditCtrlWidget::SetScrollBar(int bar, int max, int page, int pos)
{
    QScrollBar* sb = bar == 0 ? horizontalScrollBar() : verticalScrollBar();
    const bool needed = max > page;
    const QSignalBlocker block(sb);
    sb->setRange(0, std::max(0, max - 1));
    sb->setPageStep(std::max(1, page));
    sb->setSingleStep(1);
    sb->setValue(pos);
    if (m_settingBars)
        return;
    // a bar that would not scroll is hidden; its space goes to the text
    const Qt::ScrollBarPolicy policy = needed ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    m_settingBars = true;
    if (bar == 0 && horizontalScrollBarPolicy() != policy)
        setHorizontalScrollBarPolicy(policy);
    else if (bar == 1 && verticalScrollBarPolicy() != policy)
        setVerticalScrollBarPolicy(policy);
    m_settingBars = false;
}

void CEditCtrlWidget::SetScrollPos(int bar, int pos)
{
    QScrollBar* sb = bar == 0 ? horizontalScrollBar() : verticalScrollBar();
    const QSignalBlocker block(sb);
    sb->setValue(pos);
}

void CEditCtrlWidget::scrollContentsBy(int, int)
{
    // a bar moved by the user: the core scrolls to its position
    const int h = horizontalScrollBar()->value(), v = verticalScrollBar()->value();
    bool moved = false;
    if (h != m_ctrl.GetFirstColumn())
        moved |= m_ctrl.ScrollView(0, 5, h);
    if (v != m_ctrl.GetFirstLine())
        moved |= m_ctrl.ScrollView(1, 5, v);
    if (moved)
        HideToolTip();
}

void CEditCtrlWidget::CreateCaret(int width, int height, bool)
{
    viewport()->update(CaretRect());
    m_caretSize = QSize(width, height);
    m_caretExists = true;
    m_caretShown = false;
}

void CEditCtrlWidget::DestroyCaret()
{
    viewport()->update(CaretRect());
    m_caretExists = false;
    m_caretShown = false;
    m_blink.stop();
}

void CEditCtrlWidget::ShowCaret(bool show)
{
    m_caretShown = show && m_caretExists;
    m_caretOn = true;
    if (m_caretShown && hasFocus())
        m_blink.start();
    viewport()->update(CaretRect());
}

void CEditCtrlWidget::SetCaretPos(EcPoint p)
{
    viewport()->update(CaretRect());
    m_caretPos = QPoint(p.x, p.y);
    m_caretOn = true;
    viewport()->update(CaretRect());
}

void CEditCtrlWidget::EditChanged() { emit changed(); }

QRect CEditCtrlWidget::CaretRect() const { return QRect(m_caretPos, m_caretSize); }

// --- events ------------------------------------------------------------------------

bool CEditCtrlWidget::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k); // Tab stays in the control
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

QString CEditCtrlWidget::WrapTipText(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QChar('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QChar(' '))) {
            const QString joined = line.isEmpty() ? word : line + QChar(' ') + word;
            if (metrics.horizontalAdvance(joined) <= width) {
                line = joined;
                continue;
            }
            if (!line.isEmpty())
                lines << line;
            // a word wider than the tip is broken where it reaches the edge
            line.clear();
            for (QChar c : word) {
                if (!line.isEmpty() && metrics.horizontalAdvance(line + c) > width) {
                    lines << line;
                    line.clear();
                }
                line += c;
            }
        }
        lines << line;
    }
    return lines.join(QChar('\n'));
}

bool CEditCtrlWidget::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        std::string text;
        bool wide = false;
        if (!m_bToolTips || !m_ctrl.GetTipText(ToEc(help->pos()), text, wide)) {
            HideToolTip();
            m_strTipText.clear();
            e->ignore();
            return true;
        }
        const std::u16string u = editctrl::BytesToUtf16(text);
        const QString plain(reinterpret_cast<const QChar*>(u.data()), qsizetype(u.size()));
        // link, collapsed text and variable tips are never wrapped; a plain word
        // is wrapped at the tip width when one is set
        QString shown;
        if (wide)
            shown = Qt::convertFromPlainText(plain, Qt::WhiteSpaceNoWrap);
        else if (m_nToolTipWidth > 0)
            shown = Qt::convertFromPlainText(WrapTipText(plain, QFontMetrics(QToolTip::font()), m_nToolTipWidth),
                                             Qt::WhiteSpaceNoWrap);
        else
            shown = Qt::convertFromPlainText(plain, Qt::WhiteSpaceNormal);
        QToolTip::showText(help->globalPos(), shown, viewport());
        m_strTipText = text;
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

void CEditCtrlWidget::paintEvent(QPaintEvent* e)
{
    QPainter p(viewport());
    PaintEditCtrl(m_ctrl, p, e->rect(), m_fonts);
    if (m_caretExists && m_caretShown && m_caretOn && hasFocus() && !m_ctrl.m_bReadOnly) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(CaretRect(), Qt::white);
    }
}

void CEditCtrlWidget::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    const QSize size = viewport()->size();
    m_ctrl.SetClientRect(EcRect{0, 0, size.width(), size.height()});
}

void CEditCtrlWidget::keyPressEvent(QKeyEvent* e)
{
    bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (e->key() == Qt::Key_Backtab)
        shift = true;
    const unsigned vk = unsigned(platform::VirtualKeyFromQt(e->key(), e->modifiers() & Qt::KeypadModifier));
    if (vk >= 28 && vk <= 143)
        HideToolTip();
    if (vk && m_ctrl.OnKeyDown(vk, shift, ctrl)) {
        e->accept();
        return;
    }
    if (!e->text().isEmpty() && !(ctrl && !(e->modifiers() & Qt::AltModifier))) {
        TypeText(e->text());
        e->accept();
        return;
    }
    e->ignore();
}

void CEditCtrlWidget::TypeText(const QString& text)
{
    const std::string bytes =
        editctrl::Utf16ToBytes(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
    for (char c : bytes)
        m_ctrl.OnChar(static_cast<unsigned char>(c));
}

void CEditCtrlWidget::inputMethodEvent(QInputMethodEvent* e)
{
    if (!e->commitString().isEmpty())
        TypeText(e->commitString());
    e->accept();
}

QVariant CEditCtrlWidget::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImCursorRectangle)
        return QRect(viewport()->mapTo(this, m_caretPos), m_caretSize);
    return QAbstractScrollArea::inputMethodQuery(query);
}

void CEditCtrlWidget::mousePressEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    setFocus(Qt::MouseFocusReason);
    if (e->button() == Qt::RightButton) {
        m_ctrl.OnRButtonDown(ToEc(pos));
        m_captured = false;
        m_autoScroll.stop();
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    const EcRect& rt = m_ctrl.GetTextRect();
    if (m_ctrl.PtInSelection(ToEc(pos))) {
        // a drag of the selection starts once the mouse moves
        m_dragPending = true;
        m_pressPos = pos;
        return;
    }
    EcPoint pt = ToEc(pos);
    if (pt.x < rt.left)
        pt.x = rt.left + 1;
    const int at = m_ctrl.OffsetFromPoint(pt, true, true);
    const int outlineLeft = m_ctrl.m_nMarkerMarginWidth + (m_ctrl.m_bShowLineNumbers ? m_ctrl.m_nLineNumberWidth : 0);
    if (m_ctrl.m_bOutlining && m_ctrl.m_bShowOutlineMargin && pos.x() >= outlineLeft && pos.x() < rt.left && at >= 0 &&
        m_ctrl.ToggleOutlineAtLine(at))
        return;
    if (m_ctrl.m_bHyperlinks && (e->modifiers() & Qt::ControlModifier)) {
        // the link under the press itself, whatever moves came before
        const int under = m_ctrl.OffsetFromPoint(ToEc(pos), false, false);
        m_ctrl.m_nHotLink = under >= 0 ? m_ctrl.LinkIndexAt(under) : -1;
    }
    if (m_ctrl.m_bHyperlinks && (e->modifiers() & Qt::ControlModifier) && m_ctrl.m_nHotLink >= 0 &&
        m_ctrl.m_nHotLink < int(m_ctrl.Links().size())) {
        const EcLink link = m_ctrl.Links()[size_t(m_ctrl.m_nHotLink)];
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_ctrl.OpenHyperlink(link.start, link.text);
        QApplication::restoreOverrideCursor();
        return;
    }
    if (at >= 0)
        m_ctrl.SetCaretOffset(at, true, true);
    m_captured = true;
    m_ctrl.CancelSelection(true, true, true);
}

void CEditCtrlWidget::DragTo(QPoint pt)
{
    const EcRect& rt = m_ctrl.GetTextRect();
    const bool inside = rt.Contains(ToEc(pt));
    if (!inside && !m_autoScroll.isActive())
        m_autoScroll.start(int(m_ctrl.m_nAutoScrollInterval));
    else if (inside && m_autoScroll.isActive())
        m_autoScroll.stop();
    m_ctrl.DragSelectTo(ToEc(pt));
}

void CEditCtrlWidget::EndDrag()
{
    m_captured = false;
    m_dragPending = false;
    m_autoScroll.stop();
}

void CEditCtrlWidget::AutoScrollTick()
{
    // a grab taken away (a modal box, another window brought forward) loses
    // the release: the button state tells
    if (!m_captured || !(m_mouseButtons() & Qt::LeftButton)) {
        EndDrag();
        return;
    }
    DragTo(m_cursorPos());
}

void CEditCtrlWidget::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if ((m_captured || m_dragPending) && !(e->buttons() & Qt::LeftButton))
        EndDrag(); // the release went elsewhere
    if (m_dragPending && (e->buttons() & Qt::LeftButton)) {
        if ((pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragPending = false;
            m_ctrl.DragSelection(ToEc(m_pressPos));
        }
        return;
    }
    if (m_captured && (e->buttons() & Qt::LeftButton)) {
        DragTo(pos);
        return;
    }
    UpdateCursorShape(pos, e->modifiers());
    if (m_bToolTips && !m_captured)
        UpdateTip(pos);
}

void CEditCtrlWidget::UpdateCursorShape(QPoint pt, Qt::KeyboardModifiers mods)
{
    const EcPoint p = ToEc(pt);
    if (!m_ctrl.GetTextRect().Contains(p) || m_ctrl.PtInSelection(p)) {
        viewport()->setCursor(Qt::ArrowCursor);
        return;
    }
    if (m_ctrl.m_bHyperlinks && !m_captured) {
        const int at = m_ctrl.OffsetFromPoint(p, false, false);
        m_ctrl.m_nHotLink = at >= 0 ? m_ctrl.LinkIndexAt(at) : -1;
        if (m_ctrl.m_nHotLink >= 0 && (mods & Qt::ControlModifier)) {
            viewport()->setCursor(Qt::PointingHandCursor);
            return;
        }
    }
    if (m_ctrl.m_bReadOnly) {
        EcPoint snapped;
        const int at = m_ctrl.OffsetFromPoint(p, true, true, &snapped);
        EcPoint cp;
        if (at < 0 || !m_ctrl.PointFromOffset(at, cp) || std::abs(cp.x - p.x) > m_ctrl.GetCharWidth() ||
            p.y < cp.y - m_ctrl.GetLineHeight() || p.y > cp.y + 2 * m_ctrl.GetLineHeight()) {
            viewport()->setCursor(Qt::ArrowCursor);
            return;
        }
    }
    viewport()->setCursor(Qt::IBeamCursor);
}

void CEditCtrlWidget::UpdateTip(QPoint pt)
{
    std::string text;
    bool wide = false;
    const bool has = m_ctrl.GetTipText(ToEc(pt), text, wide);
    if (!has) {
        m_strTipText.clear();
        HideToolTip();
    } else if (text != m_strTipText) {
        HideToolTip(); // the next tip event asks for the new text
    }
}

void CEditCtrlWidget::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint pos = e->position().toPoint();
    m_autoScroll.stop();
    if (m_dragPending) {
        // a click on the selection without a drag drops it
        m_dragPending = false;
        m_ctrl.CancelSelection(true, true, true);
        const int at = m_ctrl.OffsetFromPoint(ToEc(pos), true, true);
        if (at >= 0)
            m_ctrl.SetCaretOffset(at, true, true);
        m_ctrl.SetWantedColumn();
        return;
    }
    m_captured = false;
    m_ctrl.OnLButtonUp(ToEc(pos));
}

void CEditCtrlWidget::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        m_ctrl.SelectWordAt(ToEc(e->position().toPoint()));
}

void CEditCtrlWidget::wheelEvent(QWheelEvent* e)
{
    e->accept();
    if (m_ctrl.AllLinesFit()) {
        m_wheelRemainder = 0;
        return;
    }
    // remainders add up, so touchpads scroll too
    m_wheelRemainder += e->angleDelta().y();
    const int lines = -(m_wheelRemainder / 120);
    m_wheelRemainder %= 120;
    if (lines != 0) {
        HideToolTip();
        m_ctrl.WheelLines(lines);
    }
}

void CEditCtrlWidget::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    m_ctrl.OnSetFocus();
}

void CEditCtrlWidget::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    EndDrag();
    m_ctrl.OnKillFocus();
    m_blink.stop();
}

void CEditCtrlWidget::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::PaletteChange)
        SystemColorsChanged();
}
