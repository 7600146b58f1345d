// Where the book and the settings live: beside a portable program, or in the
// user's own folders for an installed one (the layout the package installs,
// built here in a temporary root: bin, lib/varelo, share/varelo).

#include "app/data_location.h"
#include "app/skin.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "support/address_book_copy.h"
#include "support/stages/program_fixture.h"

#include <QDir>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Sets (or with nullopt unsets) an environment variable for a test's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

unsigned ModeOf(const std::string& path) {
    struct stat s {};
    return ::stat(path.c_str(), &s) == 0 ? s.st_mode & 07777 : 0xFFFFFFFFu;
}

std::string Contents(const std::string& path) {
    Bytes bytes = ReadFile(Text::fromUtf8(path));
    return std::string(bytes.begin(), bytes.end());
}

// Every file below a folder with its size and modification time.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const auto stamp = entry.last_write_time().time_since_epoch().count();
        files[entry.path().string()] =
            entry.is_regular_file() ? std::to_string(entry.file_size()) + "@" + std::to_string(stamp) : "folder";
    }
    return files;
}

// The installed layout: the program folder holds no book; the template and
// the skin library lie where the package puts them. HOME is a folder of the test.
class InstalledLayout : public ProgramFixture {
protected:
    InstalledLayout() {
        fs::create_directories(bin());
        fs::create_directories(folder_.file("usr/lib/varelo"));
        fs::create_directories(folder_.file("usr/share/varelo"));
        fs::create_directories(home());
        fs::rename(folder_.file("libSkinH_EL.so"), folder_.file("usr/lib/varelo/libSkinH_EL.so"));
        fs::rename(bookPath(), templatePath());
        fs::permissions(templatePath(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        program_ = std::make_unique<Program>(Text::fromUtf8(bin()));
        program_->setQuit([this] { ++quitCalls_; });
    }

    std::string bin() const { return folder_.file("usr/bin"); }
    std::string home() const { return folder_.file("home"); }
    std::string templatePath() const { return folder_.file("usr/share/varelo/VRL3.mdb"); }
    std::string userBook() const { return home() + "/.local/share/varelo/VRL3.mdb"; }
    std::string userSettings() const { return home() + "/.config/varelo/Peizhi.ini"; }

    ScopedEnv home_{"HOME", folder_.file("home")};
    ScopedEnv data_{"XDG_DATA_HOME", std::nullopt};
    ScopedEnv config_{"XDG_CONFIG_HOME", std::nullopt};
};

}  // namespace

TEST_F(ProgramFixture, AProgramFolderWithAWritableBookKeepsEverythingBesideTheProgram) {
    const DataLocation& location = program_->dataLocation();
    EXPECT_TRUE(location.portable());
    EXPECT_EQ(location.folder, folderText());
    EXPECT_EQ(location.settingsPath.toUtf8(), settingsPath());
}

TEST_F(InstalledLayout, TheBookIsCreatedPrivatelyInTheUsersDataFolderAndTheSettingsInTheConfigFolder) {
    const mode_t previousMask = ::umask(022);
    const auto installed = Snapshot(folder_.file("usr"));
    const DataLocation& location = program_->dataLocation();
    EXPECT_FALSE(location.portable());
    EXPECT_EQ(location.folder.toUtf8(), home() + "/.local/share/varelo");
    EXPECT_EQ(location.settingsPath.toUtf8(), userSettings());

    signIn();
    ASSERT_NE(FindWindow("main"), nullptr) << messages_->lastText();
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(home() + "/.local/share/varelo"));
    EXPECT_EQ(ModeOf(userBook()), 0600u);
    EXPECT_EQ(ModeOf(home() + "/.local/share/varelo"), 0700u);
    // Signing in rehashed the starting account in the user's copy only.
    EXPECT_NE(Contents(userBook()), Contents(templatePath()));
    EXPECT_EQ(ModeOf(templatePath()), 0444u);

    DestroyWindow("main", true);
    EXPECT_NE(ReadIni(Text::fromUtf8(userSettings()), T("窗口位置"), T("主窗口左边"), T("none")), T("none"));
    EXPECT_EQ(ModeOf(userSettings()), 0600u);
    EXPECT_EQ(ModeOf(home() + "/.config/varelo"), 0700u);
    EXPECT_EQ(Snapshot(folder_.file("usr")), installed);
    ::umask(previousMask);
}

TEST_F(InstalledLayout, TheSkinLibraryIsFoundWhereTheInstallationKeepsIt) {
    EXPECT_EQ(SkinLibraryFile(Text::fromUtf8(bin())).toUtf8(), bin() + "/../lib/varelo/libSkinH_EL.so");
    fs::copy_file(folder_.file("usr/lib/varelo/libSkinH_EL.so"), bin() + "/libSkinH_EL.so");
    EXPECT_EQ(SkinLibraryFile(Text::fromUtf8(bin())).toUtf8(), bin() + "/libSkinH_EL.so");
}

TEST_F(InstalledLayout, AnExistingBookOfTheUserIsNeverReplaced) {
    fs::create_directories(home() + "/.local/share/varelo");
    fs::copy_file(templatePath(), userBook());
    fs::permissions(userBook(), fs::perms::owner_read | fs::perms::owner_write);
    ExecOnBook(userBook(), "INSERT INTO 通讯录 (姓名, 手机) VALUES ('张三', '13800138000')");
    start();
    // The user's own rows are there (the program adds only its name order
    // beside them), not the template's empty table.
    const auto contacts = StoredContacts(userBook());
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0]["姓名"], "张三");
    EXPECT_EQ(contacts[0]["手机"], "13800138000");
    EXPECT_EQ(IntegrityCheck(userBook()), "ok");
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(home() + "/.local/share/varelo"));
}

TEST_F(InstalledLayout, AbsoluteXdgFoldersAreUsedAndRelativeOnesIgnored) {
    ScopedEnv data("XDG_DATA_HOME", folder_.file("data"));
    ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
    const DataLocation location = ChooseDataLocation(Text::fromUtf8(bin()));
    EXPECT_EQ(location.folder.toUtf8(), folder_.file("data") + "/varelo");
    EXPECT_EQ(location.settingsPath.toUtf8(), userSettings());
    ASSERT_TRUE(PrepareDataLocation(location));
    EXPECT_EQ(Contents(folder_.file("data") + "/varelo/VRL3.mdb"), Contents(templatePath()));
    EXPECT_TRUE(fs::is_directory(home() + "/.config/varelo"));
}

TEST_F(InstalledLayout, WithoutATemplateTheProgramSaysTheBookCannotBeOpenedAndEnds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fs::remove(templatePath());
    EXPECT_FALSE(PrepareDataLocation(program_->dataLocation()));
    EXPECT_FALSE(fs::exists(userBook()));
    EXPECT_EXIT(
        {
            SetMessagePresenter(std::make_shared<RecordingPresenter>());
            program_->start();
        },
        ::testing::ExitedWithCode(0), "cannot read the address book template");
}
