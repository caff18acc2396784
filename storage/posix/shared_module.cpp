#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "storage/shared_module.h"

std::unique_ptr<SharedModule> SharedModule::Load(const std::string& pathUtf8, std::string* error) {
    // Every entry resolved now: a library that cannot serve fails here, not mid-call.
    void* module = dlopen(pathUtf8.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        *error = dlerror();
        return nullptr;
    }
    return std::unique_ptr<SharedModule>(new SharedModule(module));
}

SharedModule::~SharedModule() { dlclose(module_); }

void* SharedModule::Symbol(const char* name) const { return dlsym(module_, name); }

std::string DefaultFilterLibraryPath() {
    char program[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", program, sizeof(program) - 1);
    if (length <= 0) {
        return "libmorvane.so";
    }
    std::string path(program, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "libmorvane.so";
}
