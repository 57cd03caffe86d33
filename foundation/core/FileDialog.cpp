#include "foundation/core/FileDialog.h"

#include "foundation/core/FileHelpers.h"
#include "platform/Paths.h"
#include "platform/Profile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <mutex>

namespace {

constexpr char kSection[] = "Settings";

std::mutex g_browseMutex;
std::string g_lastBrowsed;  // guarded by g_browseMutex

std::string Trim(const std::string& s)
{
    const size_t a = s.find_first_not_of(' ');
    const size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

} // namespace

std::string ConvertFileFilter(const std::string& filter)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        size_t bar = filter.find('|', start);
        if (bar == std::string::npos)
            bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string text = Trim(parts[i]);
        std::string patterns = Trim(parts[i + 1]);
        if (text.empty() && patterns.empty())
            break;  // "||" ends the list
        for (char& c : patterns)
            if (c == ';')
                c = ' ';
        // the patterns in parentheses are what the dialog filters by
        if (!text.empty() && text.back() == ')') {
            const size_t open = text.rfind('(');
            if (open != std::string::npos)
                text = Trim(text.substr(0, open));
        }
        if (!out.empty())
            out += ";;";
        out += (text.empty() ? patterns : text) + " (" + patterns + ")";
    }
    return out;
}

std::string FileDialog(const std::string& title, const std::string& defaultExtension, std::string& folderAndTitle,
                       const std::string& filter, const std::string& defaultName, bool open, QWidget* parent)
{
    const std::string remembered = platform::profile::GetString(kSection, title, GetExeDir());
    std::string start = folderAndTitle;
    if (start.empty() || !platform::DirectoryExists(platform::ResolvePath(start)))
        start = remembered;

    QFileDialog dialog(parent, QString::fromStdString(title), QString::fromStdString(start),
                       QString::fromStdString(ConvertFileFilter(filter)));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (parent)
        dialog.setWindowModality(Qt::WindowModal);  // the owner's other windows stay usable
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!defaultExtension.empty())
        dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
    if (!defaultName.empty())
        dialog.selectFile(QString::fromStdString(defaultName));

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    const std::string path = dialog.selectedFiles().first().toStdString();
    std::string folder, name;
    SplitPath(path, nullptr, &folder, &name, nullptr);
    folderAndTitle = name;
    platform::profile::WriteString(kSection, title, folder);
    return path;
}

std::string BrowseFolder(const std::string& title)
{
    const QString folder = QFileDialog::getExistingDirectory(nullptr, QString::fromStdString(title), QString(),
                                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    std::lock_guard lock(g_browseMutex);
    if (!folder.isEmpty()) {
        g_lastBrowsed = folder.toStdString();
        platform::profile::WriteString(kSection, "ExPath", g_lastBrowsed);
    }
    return g_lastBrowsed;
}
