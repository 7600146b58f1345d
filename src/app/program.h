#pragma once
// The program: start-up, the composed windows, settings and shutdown.
//
// Start-up order: the data folder (data_location.h) is prepared and becomes
// the working folder; the login
// window is the start window; when it is created the skin is attached, the
// login window's connection opens VRL3.mdb and the users are listed. After a
// sign-in the main window is created: position from Peizhi.ini, its own
// connection, the search placeholder, the hidden weather window, the list.
// Closing the main window destroys its companions, saves its position and
// ends the program.

#include "app/data_location.h"
#include "services/window/window.h"
#include "ui/program_state.h"

class Program {
public:
    // programFolder: where the program and the skin library lie; the book and
    // Peizhi.ini lie there too in a portable copy, else in the user's folders.
    explicit Program(Text programFolder);

    ProgramState& state() { return state_; }
    const Text& programFolder() const { return programFolder_; }
    const DataLocation& dataLocation() const { return location_; }

    // Prepares the data folder, makes it the working folder and loads the
    // login window.
    bool start();

    // Loads the main window (after a sign-in).
    void loadMainWindow();

    // The login window's and the main window's handlers, the features' own
    // joined with the program's start and end.
    HandlerTable loginHandlers();
    HandlerTable mainHandlers();

    // Called when the program should end (the main window closed, or the
    // login window closed without a sign-in). Quits the event loop by default.
    void setQuit(std::function<void()> quit) { quit_ = std::move(quit); }

private:
    Text programFolder_;
    DataLocation location_;
    ProgramState state_;
    std::function<void()> quit_;
};

// main(): the application object, the page fetch of the weather view, the
// program in its own folder, the event loop. Returns the exit code.
int RunVarelo(int argc, char** argv);
