#pragma once
// A live window asked for a control name it does not declare logs a warning;
// in the tests that warning fails the running test (test_main.cpp), so a
// misspelt or stale name cannot pass unnoticed. A test that asks for such a
// name on purpose holds an UndeclaredNames meanwhile: it collects the
// warnings instead, for the test to check.

#include <string>
#include <vector>

void ReportUndeclaredName(const std::string& message);

class UndeclaredNames {
public:
    UndeclaredNames();
    ~UndeclaredNames();
    UndeclaredNames(const UndeclaredNames&) = delete;
    UndeclaredNames& operator=(const UndeclaredNames&) = delete;

    // The warnings logged while this one is held, in order.
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    friend void ReportUndeclaredName(const std::string& message);
    std::vector<std::string> warnings_;
    UndeclaredNames* outer_;
};

// Installs the message handler that fails the running test on such a warning
// (unless an UndeclaredNames is held); other messages go on as before.
void FailTestsOnUndeclaredNames();
