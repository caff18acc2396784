// Manager's resources as the built program holds them: dialog 102 exactly as
// the device's template, the version strings, the icon under 128.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "manager/resource.h"
#include "platform/types.h"
#include "platform/utf.h"

#include <winver.h>

namespace {

WString ManagerPath() {
    WString path(MAX_PATH, WCHAR{0});
    path.resize(::GetModuleFileNameW(nullptr, &path[0], MAX_PATH));
    return path.substr(0, path.find_last_of(WIDE('\\')) + 1) + WIDE("Manager.exe");
}

// Reads a DLGTEMPLATEEX field by field; a read past the end marks it broken.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    template <class T>
    T Read() {
        T value{};
        if (offset_ + sizeof(T) > size_) {
            broken_ = true;
            return value;
        }
        memcpy(&value, data_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    std::string ReadString() {
        WString text;
        for (WORD unit = Read<WORD>(); unit != 0 && !broken_; unit = Read<WORD>()) {
            text.push_back(static_cast<WCHAR>(unit));
        }
        return ToUtf8(text);
    }

    // A name or an ordinal; the predefined control classes by their names.
    std::string ReadNameOrOrdinal() {
        const WORD first = Read<WORD>();
        if (first == 0) {
            return "";
        }
        if (first == 0xFFFF) {
            switch (const WORD ordinal = Read<WORD>()) {
                case 0x0080: return "Button";
                case 0x0081: return "Edit";
                case 0x0082: return "Static";
                default: return "#" + std::to_string(ordinal);
            }
        }
        offset_ -= sizeof(WORD);
        return ReadString();
    }

    void AlignToDword() { offset_ = (offset_ + 3) & ~size_t{3}; }
    void Skip(size_t bytes) { offset_ += bytes; }
    bool Broken() const { return broken_; }

private:
    const BYTE* data_;
    size_t size_;
    size_t offset_ = 0;
    bool broken_ = false;
};

// Window class names match regardless of case; the resource compiler stores
// them upper-cased.
bool SameClass(const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) == 0; }

struct Control {
    DWORD id;
    std::string className;
    std::string caption;
    DWORD style;
    DWORD exStyle;
    short x, y, width, height;

    bool operator==(const Control& other) const {
        return id == other.id && SameClass(className, other.className) && caption == other.caption &&
               style == other.style && exStyle == other.exStyle && x == other.x && y == other.y &&
               width == other.width && height == other.height;
    }
};

void PrintTo(const Control& c, std::ostream* out) {
    *out << "{" << c.id << ", " << c.className << ", \"" << c.caption << "\", 0x" << std::hex << c.style << ", 0x"
         << c.exStyle << std::dec << ", " << c.x << ", " << c.y << ", " << c.width << ", " << c.height << "}";
}

struct Dialog {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, width = 0, height = 0;
    std::string menu, windowClass, caption, font;
    WORD pointSize = 0;
    std::vector<Control> controls;
};

Dialog ParseDialog(const BYTE* data, size_t size, bool* ok) {
    TemplateReader reader(data, size);
    Dialog dialog;
    const WORD version = reader.Read<WORD>();
    const WORD signature = reader.Read<WORD>();
    reader.Read<DWORD>();  // help id
    dialog.exStyle = reader.Read<DWORD>();
    dialog.style = reader.Read<DWORD>();
    const WORD count = reader.Read<WORD>();
    dialog.x = reader.Read<short>();
    dialog.y = reader.Read<short>();
    dialog.width = reader.Read<short>();
    dialog.height = reader.Read<short>();
    dialog.menu = reader.ReadNameOrOrdinal();
    dialog.windowClass = reader.ReadNameOrOrdinal();
    dialog.caption = reader.ReadString();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Read<WORD>();
        reader.Read<WORD>();  // weight
        reader.Read<BYTE>();  // italic
        reader.Read<BYTE>();  // character set
        dialog.font = reader.ReadString();
    }
    for (WORD i = 0; i < count && !reader.Broken(); ++i) {
        reader.AlignToDword();
        Control control;
        reader.Read<DWORD>();  // help id
        control.exStyle = reader.Read<DWORD>();
        control.style = reader.Read<DWORD>();
        control.x = reader.Read<short>();
        control.y = reader.Read<short>();
        control.width = reader.Read<short>();
        control.height = reader.Read<short>();
        control.id = reader.Read<DWORD>();
        control.className = reader.ReadNameOrOrdinal();
        control.caption = reader.ReadNameOrOrdinal();
        reader.Skip(reader.Read<WORD>());  // creation data
        dialog.controls.push_back(control);
    }
    *ok = version == 1 && signature == 0xFFFF && !reader.Broken();
    return dialog;
}

class ManagerResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = ::LoadLibraryExW(ManagerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << "cannot load Manager.exe";
    }
    void TearDown() override {
        if (module_ != nullptr) {
            ::FreeLibrary(module_);
        }
    }

    HMODULE module_ = nullptr;
};

TEST_F(ManagerResources, Dialog102IsTheDevicesTemplate) {
    const HRSRC resource = ::FindResourceW(module_, MAKEINTRESOURCEW(IDD_SETTINGS), RT_DIALOG);
    ASSERT_NE(resource, nullptr);
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module_, resource)));
    bool ok = false;
    const Dialog dialog = ParseDialog(data, ::SizeofResource(module_, resource), &ok);
    ASSERT_TRUE(ok) << "not a well-formed DLGTEMPLATEEX";

    EXPECT_EQ(dialog.style, 0x90C00040u);
    EXPECT_EQ(dialog.exStyle, 0x80040000u);
    EXPECT_EQ(dialog.caption, "Morvane");
    EXPECT_EQ(dialog.font, "System");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.windowClass, "");
    EXPECT_EQ(std::vector<short>({dialog.x, dialog.y, dialog.width, dialog.height}),
              std::vector<short>({0, 0, 139, 145}));

    // Template order, which is the tab order.
    const std::vector<Control> expected = {
        {1001, "Button", "Enable Morvane", 0x50010003, 0, 5, 5, 125, 10},
        {1000, "msctls_trackbar32", "Slider1", 0x50010000, 0, 10, 45, 115, 18},
        {0xFFFF, "Static", "Fastest", 0x50020000, 0, 11, 65, 32, 8},
        {1003, "Static", "Ratio", 0x50020001, 0, 52, 35, 35, 8},
        {0xFFFF, "Static", "Slowest", 0x50020002, 0, 92, 65, 31, 8},
        {1, "Button", "OK", 0x50010000, 0, 25, 125, 50, 14},
        {2, "Button", "Cancel", 0x50010000, 0, 80, 125, 50, 14},
        {1006, "Edit", "", 0x50010885, 0, 5, 90, 125, 27},
        {0xFFFF, "Button", "Speed", 0x50000007, 0, 5, 20, 125, 60},
    };
    EXPECT_EQ(dialog.controls, expected);
}

TEST_F(ManagerResources, IconUnder128) {
    EXPECT_NE(::FindResourceW(module_, MAKEINTRESOURCEW(IDR_MAINFRAME), RT_GROUP_ICON), nullptr);
}

TEST(ManagerVersion, FixedPartAndStrings) {
    const WString path = ManagerPath();
    DWORD handle = 0;
    std::vector<BYTE> info(::GetFileVersionInfoSizeW(path.c_str(), &handle));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), WIDE("\\"), &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    ASSERT_TRUE(::VerQueryValueW(info.data(), WIDE("\\VarFileInfo\\Translation"), &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0409);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 1200);

    const struct {
        const WCHAR* name;
        const char* text;
    } strings[] = {
        {WIDE("InternalName"), "Manager"},
        {WIDE("OriginalFilename"), "Manager.exe"},
        {WIDE("FileDescription"), "Manager WCE MFC Application"},
        {WIDE("ProductName"), "Manager Application"},
        {WIDE("FileVersion"), "1, 0, 0, 1"},
        {WIDE("ProductVersion"), "1, 0, 0, 1"},
        {WIDE("Comments"), ""},
        {WIDE("LegalTrademarks"), ""},
        {WIDE("PrivateBuild"), ""},
        {WIDE("SpecialBuild"), ""},
    };
    for (const auto& entry : strings) {
        const WString query = WString(WIDE("\\StringFileInfo\\040904B0\\")) + entry.name;
        std::string text = "(missing)";
        if (::VerQueryValueW(info.data(), query.c_str(), &value, &length)) {
            text = ToUtf8(static_cast<const WCHAR*>(value), length > 0 ? length - 1 : 0);
        }
        EXPECT_EQ(text, entry.text) << ToUtf8(entry.name);
    }
}

}  // namespace
