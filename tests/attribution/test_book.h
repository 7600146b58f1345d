#pragma once
// An address book for the attribution tests: a fresh copy of the delivered
// VRL3.mdb, filled by the test, opened through the database layer.

#include "services/core/text.h"
#include "services/db/db_connection.h"
#include "support/address_book_copy.h"

class CarrierSegments;

#include <string>
#include <utility>
#include <vector>

class TestBook {
public:
    struct Contact {
        std::string name;         // UTF-8
        std::string number;       // UTF-8
        std::string attribution;  // UTF-8, empty: not looked up yet
    };

    // Table 通讯录, in the order given (names sort as given when they are "c01", "c02", ...).
    void addContacts(const std::vector<Contact>& contacts);
    // Table 所属网络 holding only these segments.
    void replaceSegments(const std::vector<std::pair<std::string, std::string>>& segmentAndCarrier);

    // Makes the book refuse every change to this contact's row (a trigger).
    void refuseChangesTo(const std::string& name);

    // The stored 归属地 of the contact with this name, read straight from the file.
    std::string storedAttribution(const std::string& name) const;

    const std::string& path() const { return book_.path(); }
    // A connection of the database layer to the book.
    DBConnection& connection();

private:
    AddressBookCopy book_;
    DBConnection connection_;
    bool connected_ = false;
};

// The delivered book's segments, read once.
const CarrierSegments& DeliveredSegments();
