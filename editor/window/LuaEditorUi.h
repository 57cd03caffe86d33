#pragma once
// What the script editor asks of the desktop: file dialogs, message boxes, the
// About box and opening files or addresses. Dialogs are modal to the editor
// window only. Tests put in their own.
#include <memory>
#include <string>

class QIcon;
class QWidget;

class ILuaEditorUi {
public:
    enum Answer { kOk = 1, kCancel = 2, kYes = 6, kNo = 7 };
    enum Buttons { kButtonsOk, kButtonsYesNo };

    virtual ~ILuaEditorUi() = default;
    // The file dialog (open or save, the latter asking before overwriting);
    // "" when cancelled. title is also the key of the remembered folder.
    virtual std::string FileDialog(QWidget* owner, bool open, const std::string& title,
                                   const std::string& defaultExtension, const std::string& filter,
                                   const std::string& fileName) = 0;
    // Information box for yes/no, plain box for OK; returns an Answer.
    virtual int MessageBox(QWidget* owner, const std::string& text, Buttons buttons) = 0;
    virtual void About(QWidget* owner, const std::string& title, const std::string& text, const QIcon& icon) = 0;
    // Opens a file with the desktop's program for it, or a web address; false
    // when nothing started.
    virtual bool ShellRun(const std::string& fileOrUrl) = 0;
};

// The desktop's dialogs, window-modal to their owner.
std::unique_ptr<ILuaEditorUi> MakeDesktopLuaEditorUi();
