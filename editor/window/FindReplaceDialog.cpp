#include "editor/window/FindReplaceDialog.h"

#include "editor/editctrl/CodePage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString FromBytes(const std::string& bytes) { return QString::fromStdU16String(editctrl::BytesToUtf16(bytes)); }
std::string ToBytes(const QString& text) { return editctrl::Utf16ToBytes(text.toStdU16String()); }

} // namespace

CFindReplaceDialog::CFindReplaceDialog(bool replace, unsigned flags, const std::string& find,
                                       const std::string& replaceWith, QWidget* parent, Handler handler)
    : QDialog(parent), replace_(replace), flags_(flags & ~kDown), handler_(std::move(handler))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(replace ? "Replace" : "Find");
    auto* grid = new QGridLayout(this);
    find_ = new QLineEdit(FromBytes(find), this);
    grid->addWidget(new QLabel("Fi&nd what:", this), 0, 0);
    grid->addWidget(find_, 0, 1);
    int row = 1;
    if (replace) {
        replaceEdit_ = new QLineEdit(FromBytes(replaceWith), this);
        grid->addWidget(new QLabel("Re&place with:", this), row, 0);
        grid->addWidget(replaceEdit_, row, 1);
        ++row;
    }
    wholeWord_ = new QCheckBox("Match &whole word only", this);
    matchCase_ = new QCheckBox("Match &case", this);
    wholeWord_->setChecked(flags & kWholeWord);
    matchCase_->setChecked(flags & kMatchCase);
    grid->addWidget(wholeWord_, row++, 0, 1, 2);
    grid->addWidget(matchCase_, row++, 0, 1, 2);

    auto* buttons = new QVBoxLayout;
    auto* next = new QPushButton("&Find Next", this);
    next->setDefault(true);
    connect(next, &QPushButton::clicked, this, [this] { PressFindNext(); });
    buttons->addWidget(next);
    if (replace) {
        auto* one = new QPushButton("&Replace", this);
        auto* all = new QPushButton("Replace &All", this);
        connect(one, &QPushButton::clicked, this, [this] { PressReplace(); });
        connect(all, &QPushButton::clicked, this, [this] { PressReplaceAll(); });
        buttons->addWidget(one);
        buttons->addWidget(all);
    }
    auto* cancel = new QPushButton("Cancel", this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, row, 1);
}

CFindReplaceDialog::~CFindReplaceDialog()
{
    // deleted without closing (the owner shut down): nobody is told
}

void CFindReplaceDialog::Report(unsigned action)
{
    if (terminated_ || !handler_)
        return;
    Request r;
    r.flags = (flags_ & ~(kFindNext | kReplace | kReplaceAll)) | action;
    r.flags = matchCase_->isChecked() ? r.flags | kMatchCase : r.flags & ~kMatchCase;
    r.flags = wholeWord_->isChecked() ? r.flags | kWholeWord : r.flags & ~kWholeWord;
    r.find = ToBytes(find_->text());
    if (replaceEdit_)
        r.replace = ToBytes(replaceEdit_->text());
    handler_(r);
}

void CFindReplaceDialog::done(int result)
{
    if (!terminated_) {
        terminated_ = true;
        if (handler_) {
            Request r;
            r.flags = kDialogTerm;
            handler_(r);
        }
    }
    QDialog::done(result);
}
