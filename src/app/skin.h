#pragma once
// The skin: a style sheet carried inside the program, written to the
// temporary folder at every start and handed to the skin library beside the
// program, which restyles every window with it.

#include "services/core/text.h"
#include "services/core/value.h"

// The skin file's bytes as embedded in the program.
Bytes EmbeddedSkin();

// The library file and its entry point. The user-facing message names them
// as the program always has, whatever this platform calls the file.
// Beside the program (a build or portable copy), else where an installation
// keeps it: programFolder + "/../lib/varelo/libSkinH_EL.so".
Text SkinLibraryFile(const Text& programFolder);
Text SkinLibraryShownName();    // "SkinH_EL.dll"
Text SkinAttachFunctionName();  // "SkinH_AttachEx"

// Text of the fatal report for a library without the entry point:
// 无法找到指定DLL库文件“SkinH_EL.dll”中的输出命令“SkinH_AttachEx”
Text MissingSkinEntryText();

// Writes the skin to "pf.she" in the temporary folder (a failed write is
// ignored) and calls SkinH_AttachEx(path, "") of the library found for
// programFolder. A missing library or entry point ends the program through
// the fatal report.
void attach_skin(const Text& programFolder);
