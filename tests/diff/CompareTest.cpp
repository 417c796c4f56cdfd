#include "diff/DiffReport.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

struct Row
{
    std::string oldText;
    LineKind oldKind;
    std::string newText;
    LineKind newKind;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << "(" << row.oldText << " " << static_cast<int>(row.oldKind) << " | " << row.newText << " "
               << static_cast<int>(row.newKind) << ")";
}

Row Same(const std::string& oldText, const std::string& newText)
{
    return {oldText, LineKind::Normal, newText, LineKind::Normal};
}
Row Same(const std::string& text)
{
    return Same(text, text);
}
Row Changed(const std::string& oldText, const std::string& newText)
{
    return {oldText, LineKind::Changed, newText, LineKind::Changed};
}
Row Added(const std::string& text)
{
    return {"", LineKind::Normal, text, LineKind::Added};
}
Row Deleted(const std::string& text)
{
    return {text, LineKind::Deleted, "", LineKind::Normal};
}

CDiffOptions ProgramOptions()
{
    CDiffOptions options;
    options.Set(CDiffOptions::kCase, "no");
    options.Set(CDiffOptions::kIndent, "no");
    return options;
}

CLineFile Loaded(const std::vector<std::string>& lines, const CDiffOptions& options)
{
    CLineFile file;
    CTempDir dir;
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    WriteFileBytes(dir.Path() + "v.html", bytes);
    EXPECT_TRUE(file.Load(dir.Path() + "v.html", options));
    return file;
}

std::vector<Row> RowsOf(const std::vector<std::string>& oldLines, const std::vector<std::string>& newLines,
                        const CDiffOptions& options = ProgramOptions())
{
    const CLineFile oldFile = Loaded(oldLines, options);
    const CLineFile newFile = Loaded(newLines, options);
    CLineFile oldOut;
    CLineFile newOut;
    EXPECT_TRUE(CDiffReport::Compare(oldFile, newFile, oldOut, newOut));
    EXPECT_EQ(oldOut.GetName(), oldFile.GetName());
    EXPECT_EQ(newOut.GetName(), newFile.GetName());
    EXPECT_EQ(oldOut.GetLineCount(), newOut.GetLineCount());
    std::vector<Row> rows;
    for (int r = 0; r < oldOut.GetLineCount(); ++r)
        rows.push_back(
            {std::string(oldOut.GetLine(r)), oldOut.GetKind(r), std::string(newOut.GetLine(r)), newOut.GetKind(r)});
    return rows;
}

struct ShapeCase
{
    const char* name;
    std::vector<std::string> oldLines;
    std::vector<std::string> newLines;
    std::vector<Row> rows;
};

class CompareShapeTest : public testing::TestWithParam<ShapeCase>
{
};

TEST_P(CompareShapeTest, PairsRowsAndLabelsThem)
{
    EXPECT_EQ(RowsOf(GetParam().oldLines, GetParam().newLines), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CompareShapeTest,
    testing::Values(
        // Without an old version the new lines are shown plainly, not as additions.
        ShapeCase{"OldEmpty", {}, {"A", "B"}, {Same("", "A"), Same("", "B")}},
        ShapeCase{"NewEmpty", {"A", "B"}, {}, {Deleted("A"), Deleted("B")}}, ShapeCase{"BothEmpty", {}, {}, {}},
        ShapeCase{"Identical", {"A", "", "B"}, {"A", "", "B"}, {Same("A"), Same(""), Same("B")}},
        ShapeCase{"OneChanged", {"A", "B", "C"}, {"A", "X", "C"}, {Same("A"), Changed("B", "X"), Same("C")}},
        ShapeCase{"OneAdded", {"A", "B", "C"}, {"A", "B", "X", "C"}, {Same("A"), Same("B"), Added("X"), Same("C")}},
        ShapeCase{"OneDeleted", {"A", "B", "X", "C"}, {"A", "B", "C"}, {Same("A"), Same("B"), Deleted("X"), Same("C")}},
        ShapeCase{"Swapped", {"A", "B"}, {"B", "A"}, {Added("B"), Same("A"), Deleted("B")}},
        ShapeCase{"Repeated", {"B", "E", "C"}, {"E", "E", "C"}, {Deleted("B"), Same("E"), Added("E"), Same("C")}},
        ShapeCase{"TwoChangedInARow",
                  {"A", "B", "C", "D"},
                  {"A", "X", "Y", "D"},
                  {Same("A"), Changed("B", "X"), Changed("C", "Y"), Same("D")}},
        ShapeCase{"AddedAtEnd", {"A"}, {"A", "X", "Y"}, {Same("A"), Added("X"), Added("Y")}},
        ShapeCase{"DeletedAtEnd", {"A", "X", "Y"}, {"A"}, {Same("A"), Deleted("X"), Deleted("Y")}},
        ShapeCase{"AllDifferent", {"A", "B"}, {"X", "Y", "Z"}, {Changed("A", "X"), Changed("B", "Y"), Added("Z")}},
        // The positions of the two files are weighed directly: a new line found again in the old
        // version before the matched new position turns the old lines up to it into deletions.
        ShapeCase{"DeletionPreferredWhenNearer",
                  {"A", "B", "C", "X"},
                  {"C", "Y", "Z", "A"},
                  {Deleted("A"), Deleted("B"), Same("C"), Changed("X", "Y"), Added("Z"), Added("A")}}),
    [](const testing::TestParamInfo<ShapeCase>& info) { return info.param.name; });

TEST(CompareOptions, IndentationAndCaseIgnoredEachSideKeepsItsText)
{
    EXPECT_EQ(RowsOf({"<p>", "  <TD>Price & Terms", "</p>"}, {"<p>", "<td>price & terms", "</p>"}),
              (std::vector<Row>{Same("<p>"), Same("  <TD>Price & Terms", "<td>price & terms"), Same("</p>")}));
    EXPECT_EQ(RowsOf({"\tÜBER Straße", "ΣΟΦΊΑ"}, {"über straße", "σοφία"}),
              (std::vector<Row>{Same("\tÜBER Straße", "über straße"), Same("ΣΟΦΊΑ", "σοφία")}));
}

TEST(CompareOptions, WithoutOptionsIndentationAndCaseCount)
{
    EXPECT_EQ(RowsOf({"a", "  <TD>x", "b"}, {"a", "<td>x", "b"}, CDiffOptions()),
              (std::vector<Row>{Same("a"), Changed("  <TD>x", "<td>x"), Same("b")}));
    CDiffOptions significant;
    significant.Set(CDiffOptions::kCase, "yes");
    significant.Set(CDiffOptions::kIndent, "yes");
    EXPECT_EQ(RowsOf({"  X"}, {"x"}, significant), (std::vector<Row>{Changed("  X", "x")}));
}

TEST(CompareOptions, BlankLineDoesNotMatchEmptyLine)
{
    EXPECT_EQ(RowsOf({"a", "  ", "b"}, {"a", "", "b"}), (std::vector<Row>{Same("a"), Changed("  ", ""), Same("b")}));
}

// Leading blanks dropped unless the line is only blanks, ASCII lower-cased.
std::string Normalised(std::string text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first != std::string::npos)
        text.erase(0, first);
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Whatever the input, every line of each version appears once, in order, on its own side; fillers
// pair only with additions and deletions, and matched rows are equal lines.
TEST(CompareInvariants, HoldOnRandomVersions)
{
    const std::vector<std::string> alphabet = {"A", "B", "C", "a", " A", "", "  ", "D", "ab", "b_"};
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> oldLines(random() % 14);
        std::vector<std::string> newLines(random() % 14);
        for (auto& line : oldLines)
            line = alphabet[random() % alphabet.size()];
        for (auto& line : newLines)
            line = alphabet[random() % alphabet.size()];
        const CDiffOptions options = ProgramOptions();
        const CLineFile oldFile = Loaded(oldLines, options);
        const CLineFile newFile = Loaded(newLines, options);
        CLineFile oldOut;
        CLineFile newOut;
        CDiffReport::Compare(oldFile, newFile, oldOut, newOut);
        ASSERT_EQ(oldOut.GetLineCount(), newOut.GetLineCount());

        std::vector<std::string> oldSeen;
        std::vector<std::string> newSeen;
        for (int r = 0; r < oldOut.GetLineCount(); ++r) {
            const LineKind o = oldOut.GetKind(r);
            const LineKind n = newOut.GetKind(r);
            SCOPED_TRACE(testing::Message() << "round " << round << " row " << r);
            if (o == LineKind::Deleted) {
                ASSERT_EQ(n, LineKind::Normal);
                ASSERT_EQ(newOut.GetLine(r), "");
                oldSeen.emplace_back(oldOut.GetLine(r));
            } else if (n == LineKind::Added) {
                ASSERT_EQ(o, LineKind::Normal);
                ASSERT_EQ(oldOut.GetLine(r), "");
                newSeen.emplace_back(newOut.GetLine(r));
            } else if (o == LineKind::Changed) {
                ASSERT_EQ(n, LineKind::Changed);
                oldSeen.emplace_back(oldOut.GetLine(r));
                newSeen.emplace_back(newOut.GetLine(r));
            } else {
                ASSERT_EQ(o, LineKind::Normal);
                ASSERT_EQ(n, LineKind::Normal);
                if (!oldLines.empty()) {
                    ASSERT_EQ(Normalised(std::string(oldOut.GetLine(r))), Normalised(std::string(newOut.GetLine(r))));
                    oldSeen.emplace_back(oldOut.GetLine(r));
                }
                newSeen.emplace_back(newOut.GetLine(r));
            }
        }
        ASSERT_EQ(oldSeen, oldLines) << "round " << round;
        ASSERT_EQ(newSeen, newLines) << "round " << round;

        int added = 0, changed = 0, deleted = 0;
        oldOut.CountKinds(added, changed, deleted);
        EXPECT_EQ(added, 0);
        newOut.CountKinds(added, changed, deleted);
        EXPECT_EQ(deleted, 0);
    }
}

} // namespace
