// The storage-manager side: MORVANE loaded by name with its 29 entries, a
// library that lacks them refused, a host directory hooked and used.
#include <gtest/gtest.h>

#include <filesystem>

#include "storage/filter_file.h"
#include "storage/filter_library.h"
#include "storage/filtered_volume.h"
#include "storage/volume_path.h"

namespace {

TEST(FilterLibraryTest, ResolvesEveryEntryOfMorvane) {
    std::string error;
    std::unique_ptr<FilterLibrary> library = FilterLibrary::Load(DefaultFilterLibraryPath(), &error);
    ASSERT_TRUE(library) << error;
    const auto* words = reinterpret_cast<const DWORD_PTR*>(&library->Entries());
    for (int i = 0; i < kFilterEntryCount; ++i) {
        EXPECT_NE(words[i], 0u) << "entry " << i;
    }
}

TEST(FilterLibraryTest, RefusesALibraryWithoutTheEntries) {
    std::string error;
    // A library that exports none of the filter's names.
    EXPECT_FALSE(FilterLibrary::Load(FOREIGN_LIBRARY, &error));
    EXPECT_NE(error.find("does not export HookVolume"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(FilterLibrary::Load("no-such-filter-library", &error));
    EXPECT_FALSE(error.empty());
}

class FilteredVolumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("morvane-storage-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(root_);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::filesystem::path root_;
};

TEST_F(FilteredVolumeTest, CarriesFileCallsToTheHostDirectory) {
    std::string error;
    std::unique_ptr<FilteredVolume> volume = FilteredVolume::Open(root_.u8string(), &error);
    ASSERT_TRUE(volume) << error;
    const FilterEntries& filter = volume->Filter();
    const WString name = ToVolumePath("written.txt");
    {
        FilterFile file(filter, filter.CreateFileW(volume->Word(), nullptr, name.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.IsOpen());
        DWORD done = 0;
        ASSERT_TRUE(filter.WriteFile(file.Word(), "through the filter", 18, &done, nullptr));
        EXPECT_EQ(done, 18u);
        EXPECT_TRUE(file.Close());
    }
    // Stored in the host directory, packed or plain as the settings say; read back through the filter.
    EXPECT_TRUE(std::filesystem::is_regular_file(root_ / "written.txt"));
    FilterFile file(filter, filter.CreateFileW(volume->Word(), nullptr, name.c_str(), GENERIC_READ, 0, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsOpen());
    char content[32] = {};
    DWORD done = 0;
    ASSERT_TRUE(filter.ReadFile(file.Word(), content, sizeof(content), &done, nullptr));
    EXPECT_EQ(std::string(content, done), "through the filter");
}

TEST_F(FilteredVolumeTest, NamesTheMissingBackingDirectory) {
    std::string error;
    const std::string missing = (root_ / "absent").u8string();
    EXPECT_FALSE(FilteredVolume::Open(missing, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
}

TEST(VolumePathTest, AcceptsEitherSlashAndAddsTheRoot) {
    const struct {
        const char* spelled;
        const WCHAR* volume;
    } cases[] = {
        {"", WIDE("\\")},           {"/", WIDE("\\")},           {"a.txt", WIDE("\\a.txt")},
        {"/a/b.txt", WIDE("\\a\\b.txt")}, {"\\a\\b.txt", WIDE("\\a\\b.txt")}, {"dir/", WIDE("\\dir")},
        {"../x", WIDE("\\..\\x")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToVolumePath(c.spelled), WString(c.volume)) << c.spelled;
    }
    EXPECT_EQ(JoinVolumePath(WIDE("\\"), WIDE("b")), WString(WIDE("\\b")));
    EXPECT_EQ(JoinVolumePath(WIDE("\\a"), WIDE("b")), WString(WIDE("\\a\\b")));
}

TEST(VolumePathTest, KnowsTheFiltersTemporaryNames) {
    for (const WCHAR* name : {WIDE("TMP0"), WIDE("TMP4294967295"), WIDE("TMP12")}) {
        EXPECT_TRUE(IsTemporaryName(name)) << ToUtf8(WString(name));
    }
    for (const WCHAR* name : {WIDE("TMP"), WIDE("tmp12"), WIDE("TMP12a"), WIDE("TMP12345678901"), WIDE("\\TMP12"),
                              WIDE("XTMP1")}) {
        EXPECT_FALSE(IsTemporaryName(name)) << ToUtf8(WString(name));
    }
}

}  // namespace
