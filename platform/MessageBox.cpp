#include "platform/MessageBox.h"

#include "platform/GuiDispatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace platform {

namespace {
void ShowNow(const std::string& text, const std::string& caption)
{
    QMessageBox::warning(QApplication::activeWindow(), QString::fromStdString(caption), QString::fromStdString(text));
}
} // namespace

void ShowMessageBox(const std::string& text, const std::string& caption)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    if (IsGuiThread())
        ShowNow(text, caption);
    else
        PostToGui([text, caption] { ShowNow(text, caption); });
}

} // namespace platform
