#pragma once
// What the vCard and CSV tests share: a fresh copy of the delivered book
// opened on its own connection, the independent reader and writer
// (python3-vobject, Python's csv module) and pictures.

#include "services/core/value.h"
#include "services/db/db_connection.h"
#include "support/address_book_copy.h"
#include "support/file_bytes.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <string>

// /usr/bin/python3 with `script` (a path) and its arguments; stdout, or a
// test failure with stderr.
std::string RunPython(const std::vector<std::string>& arguments, const std::string& input = std::string());
bool VobjectAvailable();
// tests/transfer/vobject_cards.py
std::string VobjectScript();

// Fails the test, message shown, for each of `parts` the message does not contain.
void ExpectMentions(const std::string& message, const std::vector<std::string>& parts);

// The same contacts in the same order, alike in every column and picture but
// the key 编号, which the book they were read into gives anew.
void ExpectSameContactsButKeys(const std::vector<StoredContact>& before, const std::vector<StoredContact>& after);

// Small real pictures.
Bytes JpegPicture(int seed);
Bytes BmpPicture(int seed);

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override;
    std::vector<StoredContact> stored() const { return StoredContacts(book_.path()); }
    std::string file(const std::string& name) const { return book_.folder().file(name); }

    AddressBookCopy book_;
    DBConnection connection_;
};
