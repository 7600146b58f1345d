#pragma once
// The carrier of a mobile number, from the number segments in table 所属网络.
// A segment is the first digits of the numbers a carrier was given: three
// digits in general, four where one three-digit block is shared ("1703" 移动
// inside "170"). The carrier of a number is that of the longest segment the
// number begins with, so a four-digit segment wins over its three-digit block.

#include "services/core/text.h"

#include <string>
#include <string_view>
#include <unordered_map>

class RecordSet;

class CarrierSegments {
public:
    // Every row of 所属网络, read through `carriers` (attached to the book),
    // which is left holding them. Blanks around a segment are ignored; a
    // segment that is empty then never matches. Where one segment appears
    // twice, the first row read (in 手机号 order) counts.
    static CarrierSegments read(RecordSet& carriers);

    void add(std::string segment, Text carrier);
    // The carrier of the longest segment that `digits` begins with, as stored
    // ("联通", "移动", "电信", "广电", or whatever the table holds); empty when none.
    Text carrierOf(std::string_view digits) const;
    bool empty() const { return bySegment_.empty(); }

private:
    std::unordered_map<std::string, Text> bySegment_;
    std::size_t longest_ = 0;
};

// The carrier of a mobile number as written in 手机 ("+86 139 1234 5678" is
// read as 13912345678), from the segments read through `carriers`; empty when
// the text is not a mainland mobile number or no segment begins it.
Text carrier_of_number(RecordSet& carriers, const Text& number);

class DBConnection;

// Adds to the book's 所属网络 every delivered segment it lacks, keeping every
// row it has (a user's own among them). Run when the program opens the book;
// a book that cannot be written (read-only) simply keeps its rows.
bool bring_carrier_segments_up_to_date(DBConnection& book);
