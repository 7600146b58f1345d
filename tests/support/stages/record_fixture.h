#pragma once
// The stage of the record window tests: the book stage with the real main
// window loaded on it with its contact handlers and the start-up steps of its
// "created" event, and a recording web-address opener.

#include "services/core/text.h"
#include "services/core/value.h"
#include "support/address_book_copy.h"
#include "support/file_bytes.h"
#include "support/stages/book_stage.h"

#include <QImage>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace record_tests {

// One contact row as stored in the file, its values converted to GBK bytes
// (NULL columns absent), the photo as its bytes.
using StoredRow = StoredContact;

class RecordWindowTest : public BookStage {
protected:
    void SetUp() override;
    void TearDown() override;

    // The main window on the book, as start-up creates it.
    void loadMainWindow();
    // The book file loses its write permission (before the main window opens it).
    void makeBookReadOnly();

    // A contact written straight into the file; columns by name, UTF-8 values.
    void addContact(const std::map<std::string, std::string>& fields, const Bytes& photo = {});
    // The list shows the book again (all contacts, as at start-up).
    void refillList();
    // Every contact read straight from the file, in key order, values as GBK.
    std::vector<StoredRow> storedContacts() const;
    Bytes storedAvatar(int userRow) const;
    std::string bookBytes() const;

    // Opens list row `row` in the record window: row made current, then Enter.
    void openRow(int row);
    // The list refilled and row `row` opened: the record window.
    Window& refillAndOpen(int row);
    // The main window's 新建.
    void pressNew();
    // 新建 pressed and the required name and mobile number typed: the record window.
    Window& newContactNamed(const std::string& name, const std::string& mobile);
    Window& recordWindow() const;
    int listRows() const;
    std::string listText(int row, int column) const;

    // Messages shown since the last call, UTF-8.
    std::vector<std::string> takeMessages();
    // One message shown since the last call, and it says the save failed.
    void expectOnlyASaveFailure();

    std::string settingsPath() const { return folder_.file("Peizhi.ini"); }

    std::vector<QUrl> openedUrls_;

private:
    std::size_t messagesTaken_ = 0;
};

// A picture file: a BMP whose pixel (x, y) has red x * 255 / (w - 1) and
// green y * 255 / (h - 1), blue 90, so a colour tells where it came from.
QImage GradientImage(int width, int height);

}  // namespace record_tests
