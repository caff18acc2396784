// The platform-neutral rules: names the volume accepts, pattern matching and
// the 32-bit cluster geometry.
#include <gtest/gtest.h>

#include "lower/hostdir/cluster_geometry.h"
#include "lower/hostdir/name_pattern.h"
#include "lower/hostdir/volume_name.h"
#include "platform/last_error.h"

namespace {

WString W(const char* text) { return ToUtf16(text); }

TEST(VolumeNameTest, AcceptedNamesSplitIntoTheirComponents) {
    struct Case {
        const char* name;
        std::vector<const char*> components;
    } cases[] = {
        {"\\", {}},
        {"\\a.txt", {"a.txt"}},
        {"\\dir\\b.txt", {"dir", "b.txt"}},
        {"\\dir/b.txt", {"dir", "b.txt"}},
        {"\\dir\\", {"dir"}},
        {"\\.hidden", {".hidden"}},
        {"\\a..b", {"a..b"}},
        {"\\ leading space", {" leading space"}},
        {"\\CONSOLE.txt", {"CONSOLE.txt"}},
        {"\\COM10", {"COM10"}},
        {"\\TMP4294967295", {"TMP4294967295"}},
        {"\\caf\xC3\xA9\\\xF0\x9F\x98\x80", {"caf\xC3\xA9", "\xF0\x9F\x98\x80"}},
    };
    for (const Case& c : cases) {
        std::vector<WString> components;
        ASSERT_TRUE(SplitVolumeName(W(c.name).c_str(), NameUse::kFile, &components)) << c.name;
        std::vector<WString> expected;
        for (const char* component : c.components) {
            expected.push_back(W(component));
        }
        EXPECT_EQ(components, expected) << c.name;
    }
}

TEST(VolumeNameTest, LengthLimitsAreThoseOfFat) {
    std::vector<WString> components;
    EXPECT_TRUE(SplitVolumeName((W("\\") + WString(255, u'a')).c_str(), NameUse::kFile, &components));
    EXPECT_FALSE(SplitVolumeName((W("\\") + WString(256, u'a')).c_str(), NameUse::kFile, &components));
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
    WString longest = W("\\") + WString(200, u'a') + W("\\") + WString(kMaxVolumeNameUnits - 202, u'b');
    EXPECT_TRUE(SplitVolumeName(longest.c_str(), NameUse::kFile, &components));
    EXPECT_FALSE(SplitVolumeName((longest + W("b")).c_str(), NameUse::kFile, &components));
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST(VolumeNameTest, WildcardsOnlyInThePatternsLastComponent) {
    std::vector<WString> components;
    EXPECT_TRUE(SplitVolumeName(W("\\dir\\*.t?t").c_str(), NameUse::kPattern, &components));
    EXPECT_TRUE(SplitVolumeName(W("\\dir\\*.").c_str(), NameUse::kPattern, &components));
    EXPECT_FALSE(SplitVolumeName(W("\\d*r\\x").c_str(), NameUse::kPattern, &components));
    EXPECT_FALSE(SplitVolumeName(W("\\dir\\*.txt").c_str(), NameUse::kFile, &components));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

TEST(NamePatternTest, MatchesAsFatDoes) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*", "anything", true},
        {"*.*", "no-dot", true},
        {"*.txt", "a.txt", true},
        {"*.txt", "A.TXT", true},
        {"*.txt", "a.txt.bak", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*b*", "abc", true},
        {"*b*", "acd", false},
        {"TMP*", "tmp123", true},
        {"exact.name", "Exact.Name", true},
        {"exact.name", "exact.names", false},
        {"*a*a*a", "aaaa", true},
        {"caf\xC3\x89*", "caf\xC3\xA9.txt", true},
        {"\xD0\x9F*", "\xD0\xBF\xD1\x80\xD0\xB8", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesPattern(W(c.pattern), W(c.name)), c.matches) << c.pattern << " ~ " << c.name;
    }
}

TEST(ClusterGeometryTest, CountsFitThirtyTwoBits) {
    struct Case {
        uint64_t clusterBytes, freeBytes, totalBytes;
        DWORD sectorsPerCluster, freeClusters, totalClusters;
    } cases[] = {
        {4096, 4096 * 100ull, 4096 * 1000ull, 8, 100, 1000},
        {512, 0, 512 * 10ull, 1, 0, 10},
        {100, 1024, 2048, 1, 2, 4},
        // 64 TiB in 4 KiB clusters would be 2^34 of them: the cluster doubles to 32 KiB.
        {4096, 1ull << 45, 1ull << 46, 64, 1u << 30, 1u << 31},
    };
    for (const Case& c : cases) {
        ClusterGeometry geometry = FitClusters(c.clusterBytes, c.freeBytes, c.totalBytes);
        EXPECT_EQ(geometry.bytesPerSector, 512u);
        EXPECT_EQ(geometry.sectorsPerCluster, c.sectorsPerCluster);
        EXPECT_EQ(geometry.freeClusters, c.freeClusters);
        EXPECT_EQ(geometry.totalClusters, c.totalClusters);
    }
}

}  // namespace
