#include "diff/UnifiedDiff.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct UnifiedCase
{
    const char* name;
    const char* oldText; // null: no old copy
    const char* newText;
    const char* hunks; // what follows the "---" and "+++" lines; "" for no differences
};

class UnifiedDiff : public testing::TestWithParam<UnifiedCase>
{
};

TEST_P(UnifiedDiff, WritesHunksWithThreeLinesOfContext)
{
    const UnifiedCase& c = GetParam();
    CTempDir dir;
    const std::string oldPath = dir.Path() + "old.html";
    const std::string newPath = dir.Path() + "new.html";
    if (c.oldText)
        WriteFileBytes(oldPath, c.oldText);
    WriteFileBytes(newPath, c.newText);
    std::ostringstream out;
    const bool differ = WriteUnifiedDiff(out, oldPath, newPath);
    const std::string hunks = c.hunks;
    EXPECT_EQ(differ, !hunks.empty());
    EXPECT_EQ(out.str(), hunks.empty() ? "" : "--- " + oldPath + "\n+++ " + newPath + "\n" + hunks);
}

// clang-format off
const UnifiedCase kCases[] = {
    {"Same", "a\nb\n", "a\nb\n", ""},
    {"CaseAndIndentDoNotCount", "a\n  B\n", "A\nb\n", ""},
    {"ChangedLineInTheMiddle", "1\n2\n3\n4\n5\n6\n7\n8\n9\n", "1\n2\n3\n4\nfive\n6\n7\n8\n9\n",
     "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"},
    {"FarApartChangesGetTwoHunks", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", "one\n2\n3\n4\n5\n6\n7\n8\n9\nten\n",
     "@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n@@ -7,4 +7,4 @@\n 7\n 8\n 9\n-10\n+ten\n"},
    {"CloseChangesShareAHunk", "1\n2\n3\n4\n5\n6\n7\n8\n", "one\n2\n3\n4\n5\n6\n7\neight\n",
     "@@ -1,8 +1,8 @@\n-1\n+one\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+eight\n"},
    {"AddedAndDeleted", "a\nb\nc\n", "a\nc\nd\n", "@@ -1,3 +1,3 @@\n a\n-b\n c\n+d\n"},
    {"NoOldCopy", nullptr, "a\nb\n", "@@ -0,0 +1,2 @@\n+a\n+b\n"},
    {"EverythingDeleted", "a\nb\n", "", "@@ -1,2 +0,0 @@\n-a\n-b\n"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, UnifiedDiff, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<UnifiedCase>& info) { return info.param.name; });

} // namespace
