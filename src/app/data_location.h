#pragma once
// Where the address book and the settings live.
//
// A program folder holding a VRL3.mdb its user can write is a portable copy:
// the book and Peizhi.ini stay beside the program, as they always have.
// Otherwise (an installed program) each user keeps their own: the book in
// $XDG_DATA_HOME/varelo (default ~/.local/share/varelo), created on first
// start from the template installed with the program, and Peizhi.ini in
// $XDG_CONFIG_HOME/varelo (default ~/.config/varelo). The working folder is
// the book's folder, so the names the program resolves there (the book, an
// export's photo files) keep one meaning.

#include "services/core/text.h"

struct DataLocation {
    Text folder;        // the book's folder, made the working folder
    Text settingsPath;  // full path of Peizhi.ini
    Text bookTemplate;  // where a missing book is copied from; empty when portable
    bool portable() const { return bookTemplate.empty(); }
};

// Chooses the location for a program in programFolder from the files there
// and the environment (XDG_DATA_HOME, XDG_CONFIG_HOME, HOME). Changes nothing.
DataLocation ChooseDataLocation(const Text& programFolder);

// Creates what a user's own location lacks: its folders (readable by their
// owner only) and the book, copied from the template with mode 0600. False
// when that fails, with the reason on stderr; the book's opening then reports it.
bool PrepareDataLocation(const DataLocation& location);
