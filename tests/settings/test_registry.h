// The registry a settings test runs against, seeded by the test itself: a
// scratch registry file in the Linux build, the real registry under Wine. The
// filter's key is absent when a TestRegistry starts and again when it ends.
#pragma once

#include <memory>

#include "platform/types.h"

class TestRegistry {
public:
    TestRegistry();
    ~TestRegistry();
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    // Creates the filter's key, with no values.
    void CreateFilterKey();
    // Stores a REG_DWORD value in the filter's key, which must exist.
    void SetValue(const WCHAR* name, DWORD value);
    // False when the key or the value is absent.
    bool GetValue(const WCHAR* name, DWORD* value);
    bool FilterKeyExists();
    // Installs the filter's key as an installation does, from install/morvane.reg.
    void ImportInstallFile();

private:
    struct Backend;
    std::unique_ptr<Backend> backend_;
};
