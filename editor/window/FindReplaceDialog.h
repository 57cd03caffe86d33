#pragma once
// A modeless find or find-and-replace dialog. It has no direction control, so
// its down flag stays off. Each button reports to the owner's handler; closing
// reports once with `terminating` and the dialog deletes itself.
#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;

class CFindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    // the dialog's flags as its handler reads them
    enum : unsigned {
        kDown = 0x1,
        kWholeWord = 0x2,
        kMatchCase = 0x4,
        kFindNext = 0x8,
        kReplace = 0x10,
        kReplaceAll = 0x20,
        kDialogTerm = 0x40,
        kHideUpDown = 0x4000,
    };
    struct Request {
        unsigned flags = 0;
        std::string find;  // edit-control bytes
        std::string replace;
    };
    using Handler = std::function<void(const Request&)>;

    // flags: kHideUpDown | kFindNext (find), plus kReplace | kReplaceAll (replace)
    CFindReplaceDialog(bool replace, unsigned flags, const std::string& find, const std::string& replaceWith,
                       QWidget* parent, Handler handler);
    ~CFindReplaceDialog() override;

    bool IsReplace() const { return replace_; }
    unsigned Flags() const { return flags_; }
    // what a press of the button reports (tests drive the dialog through these)
    void PressFindNext() { Report(kFindNext); }
    void PressReplace() { Report(kReplace); }
    void PressReplaceAll() { Report(kReplaceAll); }
    QLineEdit* FindEdit() const { return find_; }
    QLineEdit* ReplaceEdit() const { return replaceEdit_; }

protected:
    void done(int result) override;

private:
    void Report(unsigned action);

    bool replace_;
    unsigned flags_;
    Handler handler_;
    QLineEdit* find_ = nullptr;
    QLineEdit* replaceEdit_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QCheckBox* wholeWord_ = nullptr;
    bool terminated_ = false;
};
