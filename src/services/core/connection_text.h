#pragma once
// Connection texts ("ODBC;Driver=...;Server=...;Uid=...;Pwd=...") may hold a
// password. It is never shown, logged or left readable by others: whatever
// shows a connection text or a report that may quote one (drivers echo the
// text they were given) passes it through PasswordHidden, and a settings file
// holding one is kept readable by its owner only.

#include "services/core/text.h"

// True when the text holds a Pwd= or Password= field (any case).
bool HoldsPassword(const Text& text);

// The text with the value of every Pwd= and Password= field (any case, a
// braced value included) replaced by "***".
Text PasswordHidden(const Text& text);
