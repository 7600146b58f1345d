#pragma once
// The stage of the transfer tests: the book stage with the real main window
// loaded on it (its handlers left out; its connection opened as start-up does).

#include "services/core/text.h"
#include "services/core/value.h"
#include "services/window/report_list.h"
#include "services/window/window.h"
#include "support/address_book_copy.h"
#include "support/file_bytes.h"
#include "support/stages/book_stage.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TransferTest : public BookStage {
protected:
    void SetUp() override;

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
    void runModal(const std::string& id, const std::function<void()>& open, const std::function<void(Window&)>& body);
    // The same with the import/export window, opened as its menu item does.
    void inImportExport(const std::function<void(Window&)>& body);
    static ReportList& importExportList(Window& w);

    // `rows` contacts c1, c2, ... with mobile numbers 1380000 followed by 10001, ..., straight into the file.
    void fillBook(int rows) const;
    // The book's contacts read into the import/export window and exported
    // to the workbook `file`; the book is emptied afterwards.
    void exportWorkbookAndEmptyBook(const std::string& file);
};
