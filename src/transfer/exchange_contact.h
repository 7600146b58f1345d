#pragma once
// A contact on its way between the address book and an exchange file (vCard,
// CSV). Files speak Unicode, the book GBK: values here are UTF-8 and are
// converted only where they enter or leave the book, so that characters the
// book cannot hold are counted there instead of vanishing into "?".

#include "services/core/value.h"

#include <array>
#include <string>
#include <vector>

// The columns of 通讯录 after its key, in the file's order (ContactFields()).
enum class Column {
    Name,
    Mobile,
    Initials,
    Mobile2,
    QQ,
    QQ2,
    Email,
    Group,
    Phone,
    Extension,
    Address,
    Hometown,
    Birthday,
    Note,
    Photo,
    Attribution,
    Gender
};
inline constexpr int kColumnCount = 17;

// The column's name in the book, UTF-8 ("姓名", "手机", ...).
const std::string& ColumnName(Column column);

struct ExchangeContact {
    std::array<std::string, kColumnCount> values;  // UTF-8; the Photo slot stays empty
    Bytes photo;                                   // picture file bytes, as the book stores them

    std::string& operator[](Column c) { return values[static_cast<std::size_t>(c)]; }
    const std::string& operator[](Column c) const { return values[static_cast<std::size_t>(c)]; }
    friend bool operator==(const ExchangeContact&, const ExchangeContact&) = default;
};

// What a file says about one contact, before it is fitted to the book's
// columns. vCard properties and the columns of other programs' CSV files
// both land here, so that one set of rules fills the book.
struct ContactDraft {
    std::string formattedName;          // FN, a "Name" column
    std::string family, given, middle;  // N, or name columns
    struct Number {
        std::string number;
        bool mobile = false;  // typed as a mobile (CELL, "Mobile Phone")
        bool typed = false;   // carried any type at all
        bool fax = false;     // fax or pager: not a voice number
    };
    std::vector<Number> numbers;
    std::vector<std::string> emails, addresses, groups, qqs;
    std::string birthday, note, gender, hometown, attribution, organisation, title;
    Bytes photo;
    // Values that have no column but must not be dropped; they end in 备注.
    std::vector<std::string> extraNotes;
};

// The book's columns from a draft:
//  - the name is FN, else N put together (Chinese: family then given, no
//    blank; otherwise given then family);
//  - the first mobile number goes to 手机, the second to 手机备; a number
//    without any type that is a mainland mobile number counts as a mobile;
//    the first other voice number goes to 座机, with an extension written
//    after "ext" or "x" in 分机;
//  - first e-mail, address, group, birthday (a full date), gender; first and
//    second QQ;
//  - whatever else the draft holds (more numbers, mails, a birthday without a
//    year, the organisation) is added to 备注 line by line.
ExchangeContact ContactFromDraft(const ContactDraft& draft);

// A mobile number as the book keeps it: blanks, dashes, dots and brackets
// dropped, and a +86 / 0086 country prefix dropped before an 11-digit number
// starting with 1. Anything else is left as written.
std::string NormalisedMobile(const std::string& number);

// "1980-01-06" from the usual spellings of a full date (1980-01-06,
// 19800106, 1980/1/6, 1980-01-06T00:00:00Z, 1/6/1980 as month/day/year);
// empty when it is not one.
std::string IsoDate(const std::string& text);

// "男" / "女" from M, F, male, female, 男, 女 (any case); anything else as given.
std::string BookGender(const std::string& text);

// True when the UTF-8 text holds a character outside ASCII.
bool ContainsNonAscii(const std::string& utf8);

// The contacts read from an exchange file.
struct ReadContacts {
    std::vector<ExchangeContact> contacts;
    int failed = 0;                     // cards or rows that could not be read
    std::vector<std::string> problems;  // why, one line each (UTF-8), for the failures and dropped photos
    std::string error;                  // not empty: the file as a whole was refused; nothing is imported
};

// Files larger than this are refused before they are read.
inline constexpr long long kMaxExchangeFileBytes = 256LL * 1024 * 1024;
// A photo larger than this is not stored (the contact is, and the report says so).
inline constexpr std::size_t kMaxPhotoBytes = 8u * 1024 * 1024;

// Checks a photo for the book: a JPEG, PNG, BMP or GIF picture the program
// can show, no larger than kMaxPhotoBytes. Empty when it is fit; else why not.
std::string PhotoProblem(const Bytes& photo);
