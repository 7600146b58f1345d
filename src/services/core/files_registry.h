#pragma once
// Files opened with OpenFile stay open until the program ends; this registry
// maps their file numbers to descriptors and closes them at exit (internal to
// the core command set).

#include <optional>
#include <string>
#include <vector>

// The descriptor of a file number, or -1.
int DescriptorOf(int fileNumber);
// Closes every registered file (at exit, and before a fatal end).
void CloseRegisteredFiles();

// Whole content of a file for reading with writing denied to others.
// nullopt when the file cannot be opened or read; `missing` tells whether it
// simply does not exist.
std::optional<std::vector<unsigned char>> ReadWholeFile(const std::string& utf8Path, bool* missing = nullptr);
