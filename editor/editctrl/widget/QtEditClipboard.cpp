#include "editor/editctrl/widget/QtEditClipboard.h"

#include "editor/editctrl/CodePage.h"

#include <QClipboard>
#include <QCursor>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QWidget>

namespace {

QString ToQString(const std::string& bytes)
{
    const std::u16string u = editctrl::BytesToUtf16(bytes);
    return QString(reinterpret_cast<const QChar*>(u.data()), qsizetype(u.size()));
}

QMimeData* MakeMime(const std::string& bytes, bool column)
{
    auto* mime = new QMimeData;
    mime->setText(ToQString(bytes));
    if (column)
        mime->setData(CQtEditClipboard::kColumnFormat, QByteArray());
    return mime;
}

} // namespace

bool CQtEditClipboard::SetText(const std::string& bytes, bool columnFormat)
{
    QClipboard* clip = QGuiApplication::clipboard();
    if (!clip)
        return false;
    clip->setMimeData(MakeMime(bytes, columnFormat));
    return true;
}

bool CQtEditClipboard::HasText() const
{
    const QClipboard* clip = QGuiApplication::clipboard();
    const QMimeData* mime = clip ? clip->mimeData() : nullptr;
    return mime && mime->hasText();
}

bool CQtEditClipboard::GetText(std::string& bytes, bool& column) const
{
    const QClipboard* clip = QGuiApplication::clipboard();
    const QMimeData* mime = clip ? clip->mimeData() : nullptr;
    if (!mime || !mime->hasText())
        return false;
    const QString text = mime->text();
    bytes = editctrl::Utf16ToBytes(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
    column = mime->hasFormat(kColumnFormat);
    return true;
}

int CQtEditDragSource::RunDrag(const std::string& bytes, EcPoint& cursorAtEnd)
{
    auto* drag = new QDrag(m_source);
    drag->setMimeData(MakeMime(bytes, false));
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    const QPoint at = m_source->mapFromGlobal(QCursor::pos());
    cursorAtEnd = {at.x(), at.y()};
    return action == Qt::MoveAction ? 2 : action == Qt::CopyAction ? 1 : 0;
}
