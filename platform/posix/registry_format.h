// The text of the Linux registry file: regedit export format, parsed into
// lines that remember what they say and serialised back unchanged except for
// the lines a write replaced or added.
//
// A file is well formed when its first line (after an optional UTF-8 byte
// order mark) is "REGEDIT4" or "Windows Registry Editor Version 5.00"; any
// other file holds nothing. Within a well-formed file, sections
// [HKEY_LOCAL_MACHINE\...] open keys and "NAME"=dword:XXXXXXXX lines (or
// @=dword:... for the unnamed value) hold DWORD values. Every other line
// (comments, blank lines, other value types and their continuation lines,
// sections of other roots, lines nobody understands) is skipped by lookups
// and kept verbatim by writes, so one bad line never hides a good key.
//
// Key paths are below HKEY_LOCAL_MACHINE, without a leading backslash ("" is
// the root itself). Key and value names are UTF-8 and match ignoring the case
// of ASCII letters. A key exists when a section names it or a key below it,
// as an import would create it. Where sections or values repeat, the last one
// in the file wins, as in an import.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

constexpr size_t kNoLine = static_cast<size_t>(-1);

struct RegistryLine {
    enum class Kind {
        kOther,         // kept verbatim, says nothing to a lookup
        kKey,           // [HKEY_LOCAL_MACHINE\key]
        kValue,         // "name"=..., a DWORD when isDword
        kContinuation,  // a line that the value line above continues onto
    };
    std::string text;  // as in the file, without the '\n' (a CRLF line keeps its '\r')
    Kind kind = Kind::kOther;
    std::string key;   // kKey: the key's path
    std::string name;  // kValue: the value's name, unescaped
    bool isDword = false;
    DWORD dword = 0;
    size_t section = kNoLine;  // the index of the kKey line this line falls under
};

struct RegistryFile {
    std::vector<RegistryLine> lines;  // the header first; the last line is "" when the text ends with '\n'
    bool crlf = false;                // the line end for lines a write adds, taken from the header
};

// False, leaving *file empty, when the text is not a registry file.
bool ParseRegistryFile(const std::string& text, RegistryFile* file);

std::string SerialiseRegistryFile(const RegistryFile& file);

bool RegistryKeyExists(const RegistryFile& file, const std::string& key);

// False when the key has no such value or the value is not a DWORD.
bool FindRegistryDword(const RegistryFile& file, const std::string& key, const std::string& name, DWORD* value);

// Stores the value in an existing key (false, changing nothing, when the key
// does not exist): replaces the value's line (of whatever type, continuation
// lines included) or adds one to the key's last section, or to a new section
// at the end when the key exists only as the parent of others.
bool SetRegistryDword(RegistryFile* file, const std::string& key, const std::string& name, DWORD value);
