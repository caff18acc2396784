#include "platform/posix/registry_format.h"

#include <cstdio>
#include <cstring>

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const char* const kHeaders[] = {"REGEDIT4", "Windows Registry Editor Version 5.00"};
const char kRoot[] = "HKEY_LOCAL_MACHINE";
const char kDwordPrefix[] = "dword:";

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, size_t aLength, const std::string& b) {
    if (aLength != b.size()) {
        return false;
    }
    for (size_t i = 0; i < aLength; ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool SameName(const std::string& a, const std::string& b) { return SameName(a, a.size(), b); }

// The line without surrounding blanks or its '\r'.
std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsHeader(std::string line) {
    if (line.compare(0, sizeof(kByteOrderMark) - 1, kByteOrderMark) == 0) {
        line.erase(0, sizeof(kByteOrderMark) - 1);
    }
    line = Trimmed(line);
    for (const char* header : kHeaders) {
        if (line == header) {
            return true;
        }
    }
    return false;
}

bool IsSection(const std::string& line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

// A section of HKEY_LOCAL_MACHINE: its key's path.
bool ParseKey(const std::string& line, std::string* key) {
    std::string path = line.substr(1, line.size() - 2);
    size_t rootLength = sizeof(kRoot) - 1;
    if (path.size() < rootLength || !SameName(path, rootLength, kRoot)) {
        return false;
    }
    if (path.size() == rootLength) {
        key->clear();
        return true;
    }
    if (path[rootLength] != '\\') {
        return false;
    }
    *key = path.substr(rootLength + 1);
    return true;
}

// "name"=data or @=data: the unescaped name and the data as written.
bool ParseValue(const std::string& line, std::string* name, std::string* data) {
    size_t i = 0;
    name->clear();
    if (line.compare(0, 1, "@") == 0) {
        i = 1;
    } else if (line.compare(0, 1, "\"") == 0) {
        for (i = 1; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                ++i;
            }
            name->push_back(line[i]);
        }
        if (i == line.size()) {
            return false;
        }
        ++i;
    } else {
        return false;
    }
    if (i == line.size() || line[i] != '=') {
        return false;
    }
    *data = line.substr(i + 1);
    return true;
}

// dword: and one to eight hexadecimal digits.
bool ParseDword(const std::string& data, DWORD* value) {
    size_t prefixLength = sizeof(kDwordPrefix) - 1;
    if (data.size() <= prefixLength || data.size() > prefixLength + 8 || !SameName(data, prefixLength, kDwordPrefix)) {
        return false;
    }
    DWORD result = 0;
    for (size_t i = prefixLength; i < data.size(); ++i) {
        char c = FoldAscii(data[i]);
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) {
            return false;
        }
        result = result << 4 | static_cast<DWORD>(digit);
    }
    *value = result;
    return true;
}

std::string DwordLine(const std::string& name, DWORD value, bool crlf) {
    std::string text = "\"";
    for (char c : name) {
        if (c == '\\' || c == '"') {
            text.push_back('\\');
        }
        text.push_back(c);
    }
    char digits[9];
    snprintf(digits, sizeof(digits), "%08x", static_cast<unsigned>(value));
    text += "\"=";
    text += kDwordPrefix;
    text += digits;
    if (crlf) {
        text.push_back('\r');
    }
    return text;
}

bool EndsWithCr(const std::string& text) { return !text.empty() && text.back() == '\r'; }

// Inserts lines written in the file's line end before `position`. Added after
// a last line that had no line end, they take its place as the last: it gets
// the line end and the new last line goes without.
void InsertLines(RegistryFile* file, size_t position, std::vector<std::string> texts) {
    if (position == file->lines.size() && file->crlf) {
        if (!EndsWithCr(file->lines.back().text)) {
            file->lines.back().text.push_back('\r');
        }
        texts.back().pop_back();
    }
    std::vector<RegistryLine> added;
    for (std::string& text : texts) {
        RegistryLine line;
        line.text = std::move(text);
        added.push_back(std::move(line));
    }
    file->lines.insert(file->lines.begin() + static_cast<std::ptrdiff_t>(position), added.begin(), added.end());
}

// The line at or after which appended lines go: before the empty line that
// stands for the final line end.
size_t EndOfText(const RegistryFile& file) {
    size_t end = file.lines.size();
    return end > 1 && file.lines.back().text.empty() ? end - 1 : end;
}

// The index of the last line of the key's value `name`, of any type.
size_t FindValueLine(const RegistryFile& file, const std::string& key, const std::string& name) {
    size_t found = kNoLine;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        const RegistryLine& line = file.lines[i];
        if (line.kind == RegistryLine::Kind::kValue && SameName(file.lines[line.section].key, key) &&
            SameName(line.name, name)) {
            found = i;
        }
    }
    return found;
}

}  // namespace

bool ParseRegistryFile(const std::string& text, RegistryFile* file) {
    file->lines.clear();
    file->crlf = false;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        RegistryLine line;
        line.text = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        file->lines.push_back(std::move(line));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    if (!IsHeader(file->lines.front().text)) {
        file->lines.clear();
        return false;
    }
    file->crlf = EndsWithCr(file->lines.front().text);

    size_t section = kNoLine;
    bool continues = false;  // the line before ended a value with '\'
    for (size_t i = 1; i < file->lines.size(); ++i) {
        RegistryLine& line = file->lines[i];
        std::string trimmed = Trimmed(line.text);
        bool endsWithBackslash = !trimmed.empty() && trimmed.back() == '\\';
        std::string data;
        if (continues) {
            line.kind = section == kNoLine ? RegistryLine::Kind::kOther : RegistryLine::Kind::kContinuation;
            continues = endsWithBackslash;
        } else if (IsSection(trimmed)) {
            section = ParseKey(trimmed, &line.key) ? i : kNoLine;
            line.kind = section == kNoLine ? RegistryLine::Kind::kOther : RegistryLine::Kind::kKey;
        } else if (ParseValue(trimmed, &line.name, &data)) {
            continues = endsWithBackslash;
            if (section != kNoLine) {
                line.kind = RegistryLine::Kind::kValue;
                line.isDword = ParseDword(data, &line.dword);
            }
        }
        line.section = section;
    }
    return true;
}

std::string SerialiseRegistryFile(const RegistryFile& file) {
    std::string text;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        if (i > 0) {
            text.push_back('\n');
        }
        text += file.lines[i].text;
    }
    return text;
}

bool RegistryKeyExists(const RegistryFile& file, const std::string& key) {
    if (file.lines.empty()) {
        return false;
    }
    if (key.empty()) {
        return true;
    }
    for (const RegistryLine& line : file.lines) {
        if (line.kind != RegistryLine::Kind::kKey) {
            continue;
        }
        if (SameName(line.key, key) ||
            (line.key.size() > key.size() && line.key[key.size()] == '\\' && SameName(line.key, key.size(), key))) {
            return true;
        }
    }
    return false;
}

bool FindRegistryDword(const RegistryFile& file, const std::string& key, const std::string& name, DWORD* value) {
    size_t found = FindValueLine(file, key, name);
    if (found == kNoLine || !file.lines[found].isDword) {
        return false;
    }
    *value = file.lines[found].dword;
    return true;
}

namespace {

// Lines moved: the text stays the truth, the kinds and sections are found again.
bool Reindex(RegistryFile* file) { return ParseRegistryFile(SerialiseRegistryFile(*file), file); }

}  // namespace

bool SetRegistryDword(RegistryFile* file, const std::string& key, const std::string& name, DWORD value) {
    if (!RegistryKeyExists(*file, key)) {
        return false;
    }
    size_t found = FindValueLine(*file, key, name);
    if (found != kNoLine) {
        RegistryLine& line = file->lines[found];
        line.text = DwordLine(name, value, EndsWithCr(line.text));
        size_t next = found + 1;
        while (next < file->lines.size() && file->lines[next].kind == RegistryLine::Kind::kContinuation) {
            file->lines.erase(file->lines.begin() + static_cast<std::ptrdiff_t>(next));
        }
        return Reindex(file);
    }

    size_t section = kNoLine;
    for (size_t i = 0; i < file->lines.size(); ++i) {
        if (file->lines[i].kind == RegistryLine::Kind::kKey && SameName(file->lines[i].key, key)) {
            section = i;
        }
    }
    if (section == kNoLine) {
        size_t end = EndOfText(*file);
        std::vector<std::string> texts;
        if (!Trimmed(file->lines[end - 1].text).empty()) {
            texts.push_back(file->crlf ? "\r" : "");
        }
        texts.push_back(std::string("[") + kRoot + "\\" + key + "]" + (file->crlf ? "\r" : ""));
        texts.push_back(DwordLine(name, value, file->crlf));
        InsertLines(file, end, std::move(texts));
        return Reindex(file);
    }
    size_t last = section;
    for (size_t i = section + 1; i < file->lines.size() && file->lines[i].section == section; ++i) {
        RegistryLine::Kind kind = file->lines[i].kind;
        if (kind == RegistryLine::Kind::kValue || kind == RegistryLine::Kind::kContinuation) {
            last = i;
        }
    }
    InsertLines(file, last + 1, {DwordLine(name, value, file->crlf)});
    return Reindex(file);
}
