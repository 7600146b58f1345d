#pragma once
// A fresh temporary folder per test, removed afterwards.

#include "services/core/text.h"

#include <QTemporaryDir>
#include <string>

class TempFolder {
public:
    TempFolder() { dir_.setAutoRemove(true); }
    std::string path() const { return dir_.path().toStdString(); }
    // Full path of a file inside the folder, as UTF-8 and as Text.
    std::string file(const std::string& name) const { return path() + "/" + name; }
    Text fileText(const std::string& utf8Name) const { return Text::fromUtf8(file(utf8Name)); }

private:
    QTemporaryDir dir_;
};
