#include "app/skin.h"

#include "services/core/core.h"
#include "services/core/message.h"
#include "services/system/system.h"

#include <dlfcn.h>

#include <string>

namespace {

using AttachFunction = int (*)(const char*, const char*);

// Replaces the two "%s" of a format in turn.
Text Substitute(const Text& format, const Text& first, const Text& second) {
    std::string out = format.bytes();
    for (const Text* value : {&first, &second}) {
        const auto at = out.find("%s");
        if (at == std::string::npos) break;
        out.replace(at, 2, value->bytes());
    }
    return Text::fromBytes(out);
}

}  // namespace

Text SkinLibraryFile(const Text& programFolder) {
    const Text beside = programFolder + T("/libSkinH_EL.so");
    const Text installed = programFolder + T("/../lib/varelo/libSkinH_EL.so");
    return !FileExists(beside) && FileExists(installed) ? installed : beside;
}
Text SkinLibraryShownName() { return T("SkinH_EL.dll"); }
Text SkinAttachFunctionName() { return T("SkinH_AttachEx"); }

Text MissingSkinEntryText() {
    return Substitute(T("无法找到指定DLL库文件“%s”中的输出命令“%s”"), SkinLibraryShownName(), SkinAttachFunctionName());
}

void attach_skin(const Text& programFolder) {
    const Text skinPath = SpecialFolder(kTemporaryFolder) + T("pf.she");
    WriteFile(skinPath, EmbeddedSkin());

    // Loaded once for the program's life: the library keeps restyling windows.
    void* library = ::dlopen(SkinLibraryFile(programFolder).toFileSystem().c_str(), RTLD_NOW | RTLD_LOCAL);
    auto attach = library ? reinterpret_cast<AttachFunction>(::dlsym(library, "SkinH_AttachEx")) : nullptr;
    if (!attach) FatalRuntimeError(MissingSkinEntryText());
    attach(skinPath.toFileSystem().c_str(), "");
}
