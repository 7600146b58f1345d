#pragma once
// The whole program in a temporary program folder: a fresh copy of the
// delivered VRL3.mdb and the skin library, the folder as working folder,
// message boxes recorded, web pages never fetched. Used by the start-up,
// account and contact list tests.

#include "app/program.h"
#include "services/core/text.h"
#include "services/core/value.h"
#include "services/window/commands.h"
#include "support/recording_presenter.h"
#include "support/temp_folder.h"
#include "support/window_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct SampleContact {
    std::string name;  // UTF-8
    std::string mobile;
    std::string initials;  // 首字母
    std::string group;     // 分组, empty: none
};

class ProgramFixture : public ::testing::Test, protected WindowDriver {
protected:
    ProgramFixture() : ProgramFixture(std::string()) {}
    // The program folder is `programSubfolder` (made here) of the temporary folder.
    explicit ProgramFixture(const std::string& programSubfolder);
    ~ProgramFixture() override;

    // The program folder's files.
    std::string programFile(const std::string& name) const { return programFolder_ + "/" + name; }
    std::string bookPath() const { return programFile("VRL3.mdb"); }
    std::string settingsPath() const { return programFile("Peizhi.ini"); }
    // As the program holds it: the file system's bytes, whatever they are.
    Text folderText() const { return Text::fromFileSystem(programFolder_); }

    // Straight into the file, as another program would.
    void addContacts(const std::vector<SampleContact>& contacts);
    void addUser(const std::string& name, const std::string& password, const Bytes& avatar = {});
    void execSql(const std::string& sql);
    // One column of a query, UTF-8, NULL read as "(null)".
    std::vector<std::string> query(const std::string& sql);
    void writeSettings(const std::string& utf8Content);

    // Starts the program (the login window) / signs in with the starting
    // account through the real widgets.
    void start();
    void typePassword(const std::string& password);
    void signIn(const std::string& password = "123456");
    // Loads the main window directly, as after a sign-in.
    Window* loadMain();

    // Rows of the contact list as "name|mobile"; its names alone.
    std::vector<std::string> listRows();
    std::vector<std::string> listedNames();

    TempFolder folder_;
    std::string programFolder_;
    QString previousFolder_;
    ScopedPresenter messages_;
    std::unique_ptr<Program> program_;
    int quitCalls_ = 0;
};
