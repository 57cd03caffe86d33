#include "editor/window/LuaEditorUi.h"

#include "foundation/core/FileDialog.h"
#include "foundation/core/FileHelpers.h"

#include <QIcon>
#include <QMessageBox>

namespace {

class DesktopUi : public ILuaEditorUi {
public:
    std::string FileDialog(QWidget* owner, bool open, const std::string& title, const std::string& ext,
                           const std::string& filter, const std::string& fileName) override
    {
        std::string folder;
        return ::FileDialog(title, ext, folder, filter, fileName, open, owner);
    }

    int MessageBox(QWidget* owner, const std::string& text, Buttons buttons) override
    {
        QMessageBox box(owner);
        box.setWindowModality(Qt::WindowModal);
        box.setWindowTitle(owner ? owner->windowTitle() : QString());
        box.setText(QString::fromStdString(text));
        if (buttons == kButtonsYesNo) {
            box.setIcon(QMessageBox::Information);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        const int r = box.exec();
        if (r == QMessageBox::Yes)
            return kYes;
        if (r == QMessageBox::No)
            return kNo;
        return buttons == kButtonsYesNo ? kCancel : kOk;
    }

    void About(QWidget* owner, const std::string& title, const std::string& text, const QIcon& icon) override
    {
        QMessageBox box(owner);
        box.setWindowModality(Qt::WindowModal);
        box.setWindowTitle(QString::fromStdString(title));
        box.setText(QString::fromStdString(text));
        box.setIconPixmap(icon.pixmap(32, 32));
        box.exec();
    }

    bool ShellRun(const std::string& fileOrUrl) override { return ::ShellRun(fileOrUrl, std::string()); }
};

} // namespace

std::unique_ptr<ILuaEditorUi> MakeDesktopLuaEditorUi() { return std::make_unique<DesktopUi>(); }
