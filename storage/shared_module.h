// A shared library loaded by file name, unloaded when the object goes:
// dlopen on Linux, LoadLibraryW on Win32.
#pragma once

#include <memory>
#include <string>

class SharedModule {
public:
    // Null on failure, with the loader's reason in *error.
    static std::unique_ptr<SharedModule> Load(const std::string& pathUtf8, std::string* error);
    ~SharedModule();
    SharedModule(const SharedModule&) = delete;
    SharedModule& operator=(const SharedModule&) = delete;

    // The exported symbol of that exact name, or null.
    void* Symbol(const char* name) const;

private:
    explicit SharedModule(void* module) : module_(module) {}
    void* module_;
};

// Where the filter library lives: beside the running program, under its
// platform name (libmorvane.so, MORVANE.dll).
std::string DefaultFilterLibraryPath();
