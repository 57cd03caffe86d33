#include "foundation/core/FileDialog.h"
#include "platform/Profile.h"
#include "work_folder.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

struct ProfileDir {
    ProfileDir()
    {
        path = NewTempFolder("filedialog");
        platform::profile::UseFile(path + "/profile.ini");
    }
    ~ProfileDir()
    {
        platform::profile::UseFile("");
        fs::remove_all(path);
    }
    std::string path;
};

// Acts on the file dialog once it is shown.
void WhenDialogShows(std::function<void(QFileDialog*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(d);
                return;
            }
    });
    timer->start();
}

TEST(FileDialogGui, ConfirmReturnsThePathAndStoresItsFolder)
{
    ProfileDir profile;
    const std::string folder = profile.path + "/scripts";
    fs::create_directories(folder);
    std::ofstream(folder + "/track.lua") << "-- x";
    platform::profile::WriteString("Settings", "Load Lua", folder);

    QString startedIn, title;
    WhenDialogShows([&](QFileDialog* d) {
        startedIn = d->directory().absolutePath();
        title = d->windowTitle();
        // typed into the name field: selectFile leaves that field alone once it has the focus
        auto* name = d->findChild<QLineEdit*>("fileNameEdit");
        if (!name) {
            ADD_FAILURE() << "no file name field";
            d->reject();
            return;
        }
        name->setText(QString::fromStdString(folder + "/track.lua"));
        static_cast<QDialog*>(d)->accept();
    });
    std::string folderAndTitle;
    const std::string path =
        FileDialog("Load Lua", "Script", folderAndTitle, "Lua script (*.lua)|*.lua|", "default.lua", true);
    EXPECT_EQ(path, folder + "/track.lua");
    EXPECT_EQ(folderAndTitle, "track");
    EXPECT_EQ(title.toStdString(), "Load Lua");
    EXPECT_EQ(fs::path(startedIn.toStdString()), fs::path(folder));
    EXPECT_EQ(platform::profile::GetString("Settings", "Load Lua"), folder + "/");
}

TEST(FileDialogGui, CancelStoresNothing)
{
    ProfileDir profile;
    WhenDialogShows([](QFileDialog* d) { d->reject(); });
    std::string folderAndTitle = "unchanged";
    EXPECT_EQ(FileDialog("Save Lua", "Script", folderAndTitle, "Lua script (*.lua)|*.lua|", "a.lua", false), "");
    EXPECT_EQ(folderAndTitle, "unchanged");
    EXPECT_EQ(platform::profile::GetString("Settings", "Save Lua", "none"), "none");
}

} // namespace
