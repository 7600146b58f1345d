#pragma once
// A fresh temporary folder per test, removed afterwards.

#include "services/core/text.h"

#include <QTemporaryDir>
#include <string>

class TempFolder {
public:
    TempFolder() { dir_.setAutoRemove(true); }
    std::string path() const { return dir_.path().toStdString(); }
    // Full path of a file inside the folder, as the file system's bytes and
    // as the Text the program holds for it.
    std::string file(const std::string& name) const { return path() + "/" + name; }
    Text fileText(const std::string& name) const { return Text::fromFileSystem(file(name)); }

private:
    QTemporaryDir dir_;
};
