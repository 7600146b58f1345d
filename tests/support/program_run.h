#pragma once
// The real program run from the command line as a user would: no display,
// nothing to answer a prompt with, its exit code and both outputs kept.

#include <string>
#include <vector>

struct ProgramRun {
    int code = -1;  // -1 when it crashed or did not end
    std::string out, err;
};

// Runs the program at `path` with `arguments`; fails the test when it does not end.
ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments);
// The same with this build's varelo.
ProgramRun RunVarelo(const std::vector<std::string>& arguments);
