#pragma once
// The stage of the transfer tests: a fresh copy of the delivered VRL3.mdb in
// a temporary folder that is the working folder, the real main window loaded
// on it (its handlers left out; its connection opened as start-up does), a
// scripted file chooser and a recording message presenter.

#include "services/core/text.h"
#include "services/core/value.h"
#include "services/window/file_chooser.h"
#include "services/window/window.h"
#include "support/address_book_copy.h"
#include "support/file_bytes.h"
#include "support/recording_presenter.h"
#include "support/scripted_chooser.h"
#include "support/temp_folder.h"
#include "support/window_driver.h"
#include "ui/program_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TransferTest : public ::testing::Test, protected WindowDriver {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a contact through the database layer: fields by column name
    // (UTF-8 values), and the photo when not empty.
    void addContact(const std::map<std::string, std::string>& fields, const Bytes& photo = {});
    // Every contact read straight from the file with SQLite, in key order.
    std::vector<StoredContact> storedContacts() const { return StoredContacts(bookPath()); }
    // Runs SQL straight on the file.
    void execOnFile(const std::string& sql) const { ExecOnBook(bookPath(), sql); }

    // Loads a window modal through `open` and runs `body` inside its loop;
    // the window is closed afterwards (also when the body failed). A window
    // the body closes is destroyed only when the body has returned.
    void runModal(const std::string& id, const std::function<void()>& open,
                  const std::function<void(Window&)>& body);

    std::string bookPath() const { return folder_.file("VRL3.mdb"); }
    Window& mainWindow() const;

    TempFolder folder_;
    ProgramState state_;
    std::shared_ptr<ScriptedChooser> chooser_ = std::make_shared<ScriptedChooser>();
    std::unique_ptr<ScopedPresenter> messages_;

private:
    std::string previousFolder_;
    std::shared_ptr<FileChooser> previousChooser_;
};
