#pragma once
// The core command set: text, conversions, byte arrays, files, the settings
// file, the message box and a few system queries. No operation throws; every
// failure is an empty, zero, -1 or false result.

#include "services/core/text.h"
#include "services/core/value.h"

#include <optional>
#include <vector>

using TextArray = std::vector<Text>;

// ---- texts (positions 1-based, counted in bytes) ----
int TextLength(const Text& t);
Text LeftText(const Text& t, int n);
Text MidText(const Text& t, int start, int n);
Text CharFromCode(std::uint8_t code);
int FindText(const Text& t, const Text& wanted, std::optional<int> start = std::nullopt, bool ignoreCase = false);
int FindTextReverse(const Text& t, const Text& wanted, std::optional<int> start = std::nullopt,
                    bool ignoreCase = false);
Text TrimSpaces(const Text& t);
TextArray SplitText(const Text& t, const Text& delimiter = Text::fromBytes(","),
                    std::optional<int> maximum = std::nullopt);
Text Pinyin(const Text& t, int reading = 1);

// ---- conversions ----
Text ToText(const Value& v);
int ToInteger(const Value& v);
Text FormatNumber(double number, std::optional<int> decimals = std::nullopt, bool separators = false);

// ---- byte arrays ----
int BytesLength(const Bytes& b);
Bytes ToBytes(const Value& v);
// type 1..10; any other type ends the program through FatalRuntimeError.
// `position` in/out when given (the variable form); nullopt reads from byte 1.
Value BytesValue(const Bytes& b, int type, int* position = nullptr);
Value BytesValueAt(const Bytes& b, int type, int position);  // position given as a plain value
Bytes ZeroBytes(int n);

// ---- files ----
bool FileExists(const Text& name);
Bytes ReadFile(const Text& name);
bool WriteFile(const Text& name, const std::vector<Bytes>& parts);
inline bool WriteFile(const Text& name, const Bytes& data) { return WriteFile(name, std::vector<Bytes>{data}); }
// Writes a whole file under a temporary name beside it and puts it in place
// of `name` only once every byte is written and on the disk: a failed write
// (a full disk, a folder that cannot be written) leaves an earlier file as it
// was and no partial file behind. False on failure, `failure` saying why.
bool ReplaceFile(const Text& name, const std::vector<Bytes>& parts, Text* failure = nullptr);
// Why a file operation failed, for the user, from the system's error number.
Text FileFailureText(int error);
int OpenFile(const Text& name, int mode = 3, int sharing = 1);
Text ReadFileText(int fileNumber, std::optional<int> maximum = std::nullopt);

// ---- settings file (private-profile format, kept in code page 936) ----
Text ReadIni(const Text& file, const Text& section, const Text& key, const Text& defaultValue = Text());
// key absent: the whole section is deleted; value absent: the key is deleted.
bool WriteIni(const Text& file, const Text& section, const std::optional<Text>& key, const std::optional<Text>& value);

// ---- program and system ----
Text ProgramFolder();
int ScreenWidth();
int MouseX();
int MouseY();
void ProcessEvents();
// Flags as the message box style bits; returns 0 OK, 1 Cancel, 2 Abort,
// 3 Retry, 4 Ignore, 5 Yes, 6 No.
int ShowMessage(const Value& content, int flags = 0, const Text& caption = T("信息："));
