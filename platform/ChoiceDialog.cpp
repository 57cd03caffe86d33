#include "platform/ChoiceDialog.h"

#include "platform/GuiDispatcher.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QStringList>
#include <QUrl>

namespace platform {

namespace {
bool CanShow() { return qobject_cast<QApplication*>(QCoreApplication::instance()) && IsGuiThread(); }
} // namespace

int ChooseFromList(const std::string& title, const std::string& label, const std::vector<std::string>& entries)
{
    if (!CanShow() || entries.empty())
        return -1;
    QStringList items;
    for (const std::string& e : entries)
        items << QString::fromStdString(e);
    bool ok = false;
    const QString chosen = QInputDialog::getItem(QApplication::activeWindow(), QString::fromStdString(title),
                                                 QString::fromStdString(label), items, 0, false, &ok);
    if (!ok)
        return -1;
    return int(items.indexOf(chosen));
}

std::string ChooseFileUrl(const std::string& title)
{
    if (!CanShow())
        return {};
    const QUrl url = QFileDialog::getOpenFileUrl(QApplication::activeWindow(), QString::fromStdString(title));
    if (url.isEmpty())
        return {};
    return url.toString(QUrl::FullyEncoded).toStdString();
}

} // namespace platform
