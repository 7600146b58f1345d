#pragma once
// A fresh copy of the delivered address book (VRL3.mdb, written by the build
// into the program folder) per test, and the bare SQLite steps the tests use
// to fill it and read it back, independent of the code under test.

#include "services/core/text.h"
#include "services/core/value.h"
#include "support/temp_folder.h"

#include <map>
#include <string>
#include <vector>

// Copies the delivered book to `to` (UTF-8 path), writable by its owner.
// False, with a test failure, when that fails.
bool CopyDeliveredBook(const std::string& to);
// A program folder as the build delivers it, made at `folder` (UTF-8 path):
// the book and the skin library. False, with a test failure, when that fails.
bool CopyProgramFolder(const std::string& folder);

// The delivered book copied into a temporary folder of its own.
class AddressBookCopy {
public:
    AddressBookCopy();
    const std::string& path() const { return path_; }
    Text pathText() const { return Text::fromFileSystem(path_); }
    const TempFolder& folder() const { return folder_; }

private:
    TempFolder folder_;
    std::string path_;
};

// Column name (UTF-8) -> value (UTF-8).
using ContactColumns = std::map<std::string, std::string>;

// Runs statements on the book; a test failure (with SQLite's message) when
// they fail.
void ExecOnBook(const std::string& book, const std::string& sql);

// Contacts written straight into 通讯录, as another program would: the
// given columns only (the others stay NULL), and 照片 when `photo` is not empty.
void AddContact(const std::string& book, const ContactColumns& fields, const Bytes& photo = {});
// Several at once, in one transaction, in the order given.
void AddContacts(const std::string& book, const std::vector<ContactColumns>& contacts);
// A row of 用户; no avatar stores NULL.
void AddUser(const std::string& book, const std::string& name, const std::string& password, const Bytes& avatar = {});

// One contact as stored: NULL columns are absent, the photo as its bytes.
struct StoredContact {
    ContactColumns fields;  // UTF-8, as SQLite holds them
    Bytes photo;
    bool has(const std::string& column) const { return fields.count(column) != 0; }
    // The value as UTF-8; empty when NULL.
    std::string operator[](const std::string& column) const {
        auto it = fields.find(column);
        return it == fields.end() ? std::string() : it->second;
    }
};
// Checks each listed column of `row` (an empty value: NULL or empty); a
// failure names the column.
void ExpectColumns(const StoredContact& row, const ContactColumns& expected);
// Every contact of the book, in key (编号) order.
std::vector<StoredContact> StoredContacts(const std::string& book);

// SQLite's own verdict on the file ("pragma integrity_check"): "ok" for an
// intact book, else the problems it lists (or why the file did not open).
std::string IntegrityCheck(const std::string& book);
