#pragma once
// The stored mobile numbers of the address book, held in memory while an
// import writes its rows: each row asks whether any stored number contains
// its own (as "手机 like '%number%'" would, Latin letters in either case,
// % and _ taken literally) without scanning the table once per row.

#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class MobileIndex {
public:
    // Numbers in UTF-8; a stored NULL is never added.
    explicit MobileIndex(const std::vector<std::string>& stored);

    // True when some stored number contains `number` (an empty number is
    // contained in any stored one).
    bool contains(std::string_view number) const;
    // A number stored after the index was built.
    void add(std::string_view number);
    // A number added earlier whose row was not stored after all (its group
    // was rolled back).
    void remove(std::string_view number);

private:
    static std::string folded(std::string_view text);

    // Every stored number, folded, in stable storage for the views below.
    std::deque<std::string> numbers_;
    // Every suffix of the numbers given at the start, sorted: a number is
    // contained in a stored one when it starts one of its suffixes.
    std::vector<std::string_view> suffixes_;
    // The same for the numbers added since.
    std::multiset<std::string_view> addedSuffixes_;
};
