#pragma once
// Large address books for benchmarks and tests: realistic contacts written straight
// into 通讯录 with the bare SQLite interface, one transaction, the same rows
// for the same size and seed.
//
// The names are what a Chinese user's book holds: common surnames (weighted
// towards the most frequent), surnames and given-name characters outside the
// 3,755 most common ones, traditional forms, a few compound surnames and a
// few Latin names. 首字母 holds the first letters of the readings of the
// first three characters (none for a Latin name), mobile numbers come from
// the carriers' segments, most contacts are in a group, and one in twenty
// has a photo of about 100 KB in 照片.

#include <cstddef>
#include <cstdint>
#include <string>

struct ContactBookShape {
    int contacts = 100000;
    double photoShare = 0.05;             // contacts with a photo
    std::size_t photoBytes = 100 * 1024;  // about this size (a BMP picture)
    std::uint32_t seed = 13;
};

// Adds the contacts to the 通讯录 of the existing book `book` (UTF-8 path).
// False, with SQLite's message in `error`, when that fails (the transaction
// is then rolled back).
bool FillContactBook(const std::string& book, const ContactBookShape& shape, std::string* error);

// A copy of `deliveredBook` filled with `shape`, kept in `cacheFolder` under a
// name made of the size and the generator's version, and made only when it
// is not there yet (written under a temporary name, renamed when complete, so
// an interrupted run never leaves a half-filled book behind). Returns its
// path, or an empty string with the reason in `error`.
std::string CachedContactBook(const std::string& deliveredBook, const std::string& cacheFolder,
                              const ContactBookShape& shape, std::string* error);

// The photo stored with the generated contacts: a valid 24-bit BMP picture
// of at least `bytes` bytes.
std::string SamplePhoto(std::size_t bytes);
