#include "editor/window/EditPane.h"

#include "editor/editctrl/CodePage.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

EditPane::EditPane(CEditCtrl& edit, QWidget* parent, int id) : QWidget(parent), edit_(edit), id_(id)
{
    setObjectName(QString::number(id));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
    edit_.SetClipboard(this);
    edit_.Create(this, this, EcRect{0, 0, width(), height()});
}

EditPane::~EditPane() { edit_.SetClipboard(nullptr); }

void EditPane::SetEditFont(const QFont& f, bool redraw)
{
    setFont(f);
    edit_.RecalcFontMetrics();
    edit_.UpdateLayout();
    if (redraw)
        update();
}

void EditPane::Invalidate(const EcRect& rect)
{
    if (rect.IsEmpty())
        update();
    else
        update(QRect(rect.left, rect.top, rect.Width(), rect.Height()));
}

void EditPane::SetCaretPos(EcPoint p)
{
    update(QRect(caretPos_, caretSize_));
    caretPos_ = QPoint(p.x, p.y);
    update(QRect(caretPos_, caretSize_));
}

int EditPane::FontHeight() const { return QFontMetrics(font()).height(); }
int EditPane::MaxCharWidth() const { return QFontMetrics(font()).maxWidth(); }
int EditPane::AveCharWidth() const { return QFontMetrics(font()).averageCharWidth(); }

int EditPane::CharWidth(unsigned char c) const
{
    return QFontMetrics(font()).horizontalAdvance(QChar(editctrl::ByteToUnicode(c)));
}

bool EditPane::SetText(const std::string& bytes, bool)
{
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(editctrl::BytesToUtf16(bytes)));
    return true;
}

bool EditPane::HasText() const { return !QGuiApplication::clipboard()->text().isEmpty(); }

bool EditPane::GetText(std::string& bytes, bool& column) const
{
    column = false;
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return false;
    bytes = editctrl::Utf16ToBytes(text.toStdU16String());
    return true;
}

void EditPane::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const EcRect& tr = edit_.GetTextRect();
    const QFontMetrics fm(font());
    const int lineH = std::max(1, edit_.GetLineHeight());
    const std::string& text = edit_.GetText();
    int offset = edit_.GetFirstLineOffset();
    int line = edit_.LineFromOffset(offset);
    p.setPen(Qt::black);
    for (int y = tr.top; y < tr.bottom && offset <= int(text.size()); y += lineH, ++line) {
        const size_t end = text.find('\n', offset);
        const size_t stop = end == std::string::npos ? text.size() : end;
        const std::string bytes = text.substr(offset, stop - offset);
        if (edit_.m_bShowLineNumbers) {
            p.setPen(Qt::darkGray);
            p.drawText(QRect(tr.left - edit_.m_nLineNumberWidth, y, edit_.m_nLineNumberWidth - 4, lineH),
                       Qt::AlignRight | Qt::AlignVCenter, QString::number(line + 1));
            p.setPen(Qt::black);
        }
        p.drawText(QPoint(tr.left - edit_.GetFirstColumn() * edit_.GetCharWidth(), y + fm.ascent()),
                   QString::fromStdU16String(editctrl::BytesToUtf16(bytes)));
        if (end == std::string::npos)
            break;
        offset = int(end) + 1;
    }
    p.setBrush(Qt::red);
    for (const auto& m : edit_.Markers())
        if (m->m_nType & CEditMarker::kBreakpoint) {
            const int y = tr.top + (m->m_nLine - edit_.GetFirstLine()) * lineH;
            p.drawEllipse(QRect(2, y + 2, lineH - 4, lineH - 4));
        }
    if (caretShown_ && hasFocus() && caretSize_.isValid())
        p.fillRect(QRect(caretPos_, caretSize_), Qt::black);
}

void EditPane::resizeEvent(QResizeEvent*) { edit_.SetClientRect(EcRect{0, 0, width(), height()}); }

void EditPane::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    const int offset = edit_.OffsetFromPoint(EcPoint{pos.x(), pos.y()}, true, true);
    if (offset >= 0) {
        edit_.CancelSelection(false, true, true);
        edit_.SetCaretOffset(offset, true, true);
    }
}
