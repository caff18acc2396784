#include "platform/types.h"
#include "platform/utf.h"
#include "storage/shared_module.h"

std::unique_ptr<SharedModule> SharedModule::Load(const std::string& pathUtf8, std::string* error) {
    WString path = ToUtf16(pathUtf8);
    HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        *error = "cannot load (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    return std::unique_ptr<SharedModule>(new SharedModule(module));
}

SharedModule::~SharedModule() { FreeLibrary(static_cast<HMODULE>(module_)); }

void* SharedModule::Symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), name));
}

// LoadLibraryW looks in the program's own folder first.
std::string DefaultFilterLibraryPath() { return "MORVANE.dll"; }
