#include "platform/utf.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool IsHigh(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Decodes UTF-16; returns false if a surrogate was unpaired.
bool Decode16(const WCHAR* text, size_t units, std::string* out) {
    bool clean = true;
    for (size_t i = 0; i < units; ++i) {
        char32_t unit = static_cast<char16_t>(text[i]);
        if (IsHigh(unit) && i + 1 < units && IsLow(static_cast<char16_t>(text[i + 1]))) {
            char32_t low = static_cast<char16_t>(text[++i]);
            AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
        } else if (IsHigh(unit) || IsLow(unit)) {
            AppendUtf8(kReplacement, out);
            clean = false;
        } else {
            AppendUtf8(unit, out);
        }
    }
    return clean;
}

}  // namespace

std::string ToUtf8(const WCHAR* text, size_t units) {
    std::string out;
    Decode16(text, units, &out);
    return out;
}

std::string ToUtf8(const WString& text) { return ToUtf8(text.data(), text.size()); }

bool ToUtf8Strict(const WCHAR* text, size_t units, std::string* out) {
    out->clear();
    return Decode16(text, units, out);
}

WString ToUtf16(const std::string& text) {
    WString out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
        char32_t c = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = extra >= 0 && i + extra < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        valid = valid && c >= kMinimum[extra] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (!valid) {
            out.push_back(static_cast<WCHAR>(kReplacement));
            ++i;
            continue;
        }
        i += extra + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<WCHAR>(0xD800 + (c >> 10)));
            out.push_back(static_cast<WCHAR>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<WCHAR>(c));
        }
    }
    return out;
}
