#pragma once
// The file dialog seam: ShowCommonDialog asks the installed chooser for a
// path. The program installs nothing and gets the Qt file dialog; a test
// installs one that answers for the user.

#include "services/core/text.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct FileFilter {
    Text name;      // "照片(*.jpg;*.gif;*.bmp)"
    Text patterns;  // "*.jpg;*.gif;*.bmp;*.jpeg"
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Pairs of display name and pattern from a filter text "名称|*.a;*.b|名称|*.*";
// the text is read as if it ended in "||": an empty name ends the list, a
// name without pattern is dropped.
std::vector<FileFilter> ParseFileFilter(const Text& filter);

struct FileRequest {
    bool save = false;  // save-file dialog, else open-file
    Text title;         // empty: the chooser's own
    std::vector<FileFilter> filters;
    int filterIndex = -1;   // 0-based among filters; -1 without filters
    Text folder;            // initial folder, empty: none
    Text defaultExtension;  // appended to a name to save that has none
    Text fileName;          // initial file name
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen full path, or nullopt when the user cancelled.
    virtual std::optional<Text> choose(const FileRequest& request) = 0;
};

// Installs a chooser (nullptr restores the Qt one); returns the previous one.
std::shared_ptr<FileChooser> SetFileChooser(std::shared_ptr<FileChooser> chooser);
std::shared_ptr<FileChooser> CurrentFileChooser();
