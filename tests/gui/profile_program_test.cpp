// The profile a test and the program it starts use: a folder of the test's own,
// never the user's (a test's editors left at test-display places would open the
// user's editors there).
#include "editor/window/LuaEditorPlacement.h"
#include "platform/Profile.h"
#include "program_session.h"

#include <QDir>
#include <QSettings>

using namespace program_session;

namespace {

class ProfileProgram : public ProgramSession {};

TEST_F(ProfileProgram, TheProgramKeepsTheEditorsPlacesInTheTestsOwnProfile)
{
    const std::filesystem::path profile = platform::profile::FilePath();
    const std::filesystem::path userConfig = QDir::homePath().toStdString() + "/.config";
    ASSERT_NE(profile.parent_path().parent_path(), userConfig) << profile;
    // the file dialog's history goes beside it
    EXPECT_EQ(std::filesystem::path(QSettings(QSettings::UserScope, "QtProject").fileName().toStdString()).parent_path(),
              profile.parent_path().parent_path());
    const std::string entry = LuaEditorPlacementEntry("IDSTR-1-0");
    ASSERT_TRUE(platform::profile::WriteBinary("Ostravellum", entry, "old", 3));

    // the editors shown, then the program closed: their places are in the test's profile
    ASSERT_TRUE(Start()) << Log();
    const std::string main = Window("^Quillmont$");
    Keys(main, {"F11"});
    ASSERT_TRUE(WaitFor([&] { return WindowCount("^LuaEdit ") == 3; }, 20000)) << Log();
    Keys(main, {"Escape"});
    ASSERT_TRUE(m_process.waitForFinished(20000));
    std::vector<uint8_t> record;
    ASSERT_TRUE(platform::profile::GetBinary("Ostravellum", entry, record));
    EXPECT_GT(record.size(), 3u) << "the program's own placement";
}

} // namespace
