#include "editor/window/LuaEditorUi.h"

#include "foundation/core/FileDialog.h"
#include "foundation/core/FileHelpers.h"

#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>

namespace {

// A message box; a yes/no question takes an answer: Esc and the close box do
// nothing then (the program may still reject it).
class QuestionBox : public QMessageBox {
public:
    QuestionBox(QWidget* owner, bool answerRequired) : QMessageBox(owner), m_answerRequired(answerRequired) {}

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (m_answerRequired && e->matches(QKeySequence::Cancel)) {
            e->accept();
            return;
        }
        QMessageBox::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override
    {
        if (m_answerRequired)
            e->ignore();
        else
            QMessageBox::closeEvent(e);
    }

private:
    bool m_answerRequired;
};

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
        QuestionBox box(owner, buttons == kButtonsYesNo);
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
        return buttons == kButtonsYesNo ? kCancel : kOk;  // rejected by the program
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
