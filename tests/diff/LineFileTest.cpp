#include "diff/LineFile.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> LinesOf(const CLineFile& file)
{
    std::vector<std::string> lines;
    for (int i = 0; i < file.GetLineCount(); ++i)
        lines.emplace_back(file.GetLine(i));
    return lines;
}

CDiffOptions IgnoreCaseAndIndent()
{
    CDiffOptions options;
    options.Set(CDiffOptions::kCase, "no");
    options.Set(CDiffOptions::kIndent, "no");
    return options;
}

CLineFile MakeFile(const std::vector<std::string>& lines, const CDiffOptions& options = {})
{
    CTempDir dir;
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\n";
    WriteFileBytes(dir.Path() + "f.txt", bytes);
    CLineFile file;
    EXPECT_TRUE(file.Load(dir.Path() + "f.txt", options));
    return file;
}

struct SplitCase
{
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

class LoadSplitTest : public testing::TestWithParam<SplitCase>
{
};

TEST_P(LoadSplitTest, SplitsAtLineEnds)
{
    CTempDir dir;
    const std::string path = dir.Path() + "page.html";
    WriteFileBytes(path, GetParam().bytes);
    CLineFile file;
    ASSERT_TRUE(file.Load(path, {}));
    EXPECT_EQ(LinesOf(file), GetParam().lines);
    EXPECT_EQ(file.GetName(), path);
    EXPECT_EQ(file.GetHashes().size(), GetParam().lines.size());
    for (int i = 0; i < file.GetLineCount(); ++i)
        EXPECT_EQ(file.GetKind(i), LineKind::Normal);
}

INSTANTIATE_TEST_SUITE_P(
    Terminators, LoadSplitTest,
    testing::Values(SplitCase{"EmptyFile", "", {}}, SplitCase{"OneEmptyLine", "\n", {""}},
                    SplitCase{"NoFinalLineEnd", "a\nb", {"a", "b"}}, SplitCase{"FinalLineEnd", "a\nb\n", {"a", "b"}},
                    SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}}, SplitCase{"MixedEnds", "a\r\nb\nc", {"a", "b", "c"}},
                    SplitCase{"EmptyLinesKept", "a\n\n\r\nb\n", {"a", "", "", "b"}},
                    SplitCase{"LoneCrIsText", "a\rb\n", {"a\rb"}}, SplitCase{"CrCrLf", "a\r\r\n", {"a\r"}},
                    SplitCase{"CrAtEndOfFile", "a\r", {"a\r"}},
                    SplitCase{"NulAndHighBytesKept", std::string("x\0y\xff\n", 5), {std::string("x\0y\xff", 4)}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST(LineFileLoad, LinesAcrossReadBlocks)
{
    CTempDir dir;
    const std::string line(200000, 'q');
    WriteFileBytes(dir.Path() + "long", line + "\r\n" + line);
    CLineFile file;
    ASSERT_TRUE(file.Load(dir.Path() + "long", {}));
    EXPECT_EQ(LinesOf(file), (std::vector<std::string>{line, line}));

    // A CR LF pair split between two blocks of the read is still one line end.
    const std::string first(65535, 'x');
    WriteFileBytes(dir.Path() + "split", first + "\r\ny\r");
    CLineFile split;
    ASSERT_TRUE(split.Load(dir.Path() + "split", {}));
    EXPECT_EQ(LinesOf(split), (std::vector<std::string>{first, "y\r"}));
}

TEST(LineFileLoad, FailuresAreReportedOnStandardError)
{
    CTempDir dir;
    const CDiffOptions options = IgnoreCaseAndIndent();

    CLineFile unnamed;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(unnamed.Load("", options));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "error : empty input filename\r\n");
    EXPECT_EQ(unnamed.GetName(), "");
    EXPECT_TRUE(unnamed.GetOptions().IsEmpty());

    CLineFile missing;
    const std::string path = dir.Path() + "missing.html";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(missing.Load(path, options));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "error : cannot open " + path + "\r\n");
    EXPECT_EQ(missing.GetName(), path);
    EXPECT_EQ(missing.GetOptions().Entries(), options.Entries());
    EXPECT_EQ(missing.GetLineCount(), 0);

    CLineFile folder;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(folder.Load(dir.Path(), options));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "error : cannot open " + dir.Path() + "\r\n");
    EXPECT_EQ(folder.GetLineCount(), 0);
}

TEST(LineFileAccess, OutOfRangeGivesEmptyNormal)
{
    CLineFile file;
    file.AppendLine("x", LineKind::Deleted);
    for (const int i : {-1, 1, 100}) {
        EXPECT_EQ(file.GetLine(i), "");
        EXPECT_EQ(file.GetComparableLine(i), "");
        EXPECT_EQ(file.GetKind(i), LineKind::Normal);
    }
    EXPECT_EQ(file.GetKind(0), LineKind::Deleted);
    EXPECT_TRUE(file.GetHashes().empty());
}

// A line handed back in while the store grows must be copied whole.
TEST(LineFileAccess, LineOfTheSameFileCanBeAppended)
{
    CLineFile file;
    file.AddLine(std::string(100, 'a'));
    for (int i = 0; i < 12; ++i) {
        file.AddLine(file.GetLine(i));
        file.AppendLine(file.GetLine(i), LineKind::Added);
    }
    for (int i = 0; i < file.GetLineCount(); ++i)
        ASSERT_EQ(file.GetLine(i), std::string(100, 'a'));
}

// A result shows the lines of one source without copying them; lines of any other file are copied,
// so they outlive it.
TEST(LineFileAccess, ResultLinesOfSourcesOutliveOtherSources)
{
    const CLineFile source = MakeFile({"first", "  second"});
    CLineFile result;
    result.AppendLineOf(source, 1, LineKind::Deleted);
    {
        const CLineFile other = MakeFile({std::string(300, 'o')});
        result.AppendLineOf(other, 0, LineKind::Added);
        result.AppendLineOf(result, 0, LineKind::Changed);
        result.AppendLineOf(other, 5, LineKind::Normal);
    }
    result.AppendLineOf(source, 0, LineKind::Normal);
    EXPECT_EQ(LinesOf(result), (std::vector<std::string>{"  second", std::string(300, 'o'), "  second", "", "first"}));
    EXPECT_EQ(result.GetKind(2), LineKind::Changed);
    EXPECT_EQ(result.GetByteCount(), 300u + 8u);
}

struct OptionCase
{
    const char* name;
    std::vector<std::string> entries;
    std::string key;
    std::string value; // what Get gives before Set
    std::string setTo;
    std::vector<std::string> after; // entries after Set(key, setTo)
};

class DiffOptionsTest : public testing::TestWithParam<OptionCase>
{
};

TEST_P(DiffOptionsTest, GetAndSet)
{
    const OptionCase& c = GetParam();
    CDiffOptions options;
    for (const std::string& entry : c.entries)
        options.Append(entry);
    EXPECT_EQ(options.Get(c.key), c.value);
    options.Set(c.key, c.setTo);
    EXPECT_EQ(options.Entries(), c.after);
    EXPECT_EQ(options.Get(c.key), c.setTo);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DiffOptionsTest,
    testing::Values(OptionCase{"MissingKeyAppends", {}, "case", "", "no", {"case;no"}},
                    OptionCase{"OtherKeyKept", {"indent;no"}, "case", "", "no", {"indent;no", "case;no"}},
                    OptionCase{"FirstEntryWins", {"case;yes", "case;no"}, "case", "yes", "x", {"case;x", "case;no"}},
                    OptionCase{"EntryWithoutSeparator", {"case"}, "case", "", "no", {"case;no"}},
                    OptionCase{"ValueAfterFirstSeparator", {"case;a;b"}, "case", "a;b", "c", {"case;c"}},
                    OptionCase{"PrefixMatches", {"cases;no"}, "case", "no", "yes", {"cases;yes"}}),
    [](const testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

TEST(DiffOptions, OnlyNonEmptyValuesOtherThanYesIgnore)
{
    CDiffOptions options;
    EXPECT_FALSE(options.Ignores(CDiffOptions::kCase));
    options.Set(CDiffOptions::kCase, "yes");
    EXPECT_FALSE(options.Ignores(CDiffOptions::kCase));
    options.Set(CDiffOptions::kCase, "");
    EXPECT_FALSE(options.Ignores(CDiffOptions::kCase));
    options.Set(CDiffOptions::kCase, "no");
    EXPECT_TRUE(options.Ignores(CDiffOptions::kCase));
    options.Set(CDiffOptions::kCase, "off");
    EXPECT_TRUE(options.Ignores(CDiffOptions::kCase));
    EXPECT_FALSE(options.Ignores(CDiffOptions::kIndent));
}

struct ComparableCase
{
    const char* name;
    std::string caseValue; // empty: no entry
    std::string indentValue;
    std::string line;
    std::string comparable;
};

class ComparableTextTest : public testing::TestWithParam<ComparableCase>
{
};

TEST_P(ComparableTextTest, NormalisesAsTheOptionsSay)
{
    const ComparableCase& c = GetParam();
    CDiffOptions options;
    if (!c.caseValue.empty())
        options.Set(CDiffOptions::kCase, c.caseValue);
    if (!c.indentValue.empty())
        options.Set(CDiffOptions::kIndent, c.indentValue);
    const CLineFile file = MakeFile({c.line}, options);
    ASSERT_EQ(file.GetLineCount(), 1);
    EXPECT_EQ(file.GetLine(0), c.line);
    EXPECT_EQ(file.GetComparableLine(0), c.comparable);
    EXPECT_EQ(file.GetHashes()[0], CLineFile::LineHash(c.comparable));
}

INSTANTIATE_TEST_SUITE_P(Options, ComparableTextTest,
                         testing::Values(ComparableCase{"NoOptions", "", "", " \t<TD>X", " \t<TD>X"},
                                         ComparableCase{"YesKeepsAll", "yes", "yes", " \t<TD>X", " \t<TD>X"},
                                         ComparableCase{"IndentDropped", "", "no", " \t <TD> X ", "<TD> X "},
                                         ComparableCase{"CaseDropped", "no", "", "  <TD>X", "  <td>x"},
                                         ComparableCase{"Both", "no", "no", "\t\t<TD>Price", "<td>price"},
                                         ComparableCase{"BlanksOnlyLineKept", "no", "no", " \t ", " \t "},
                                         ComparableCase{"EmptyLine", "no", "no", "", ""},
                                         ComparableCase{"OtherWhiteSpaceIsText", "", "no", "\v x", "\v x"},
                                         ComparableCase{"Utf8Lowered", "no", "", "ÉTÉ Ωμέγα ПРИВЕТ Ärger",
                                                        "été ωμέγα привет ärger"},
                                         ComparableCase{"InvalidUtf8Kept", "no", "", "A\xC9T\xFF", "a\xC9t\xFF"}),
                         [](const testing::TestParamInfo<ComparableCase>& info) { return info.param.name; });

// Lines built of the blocks "AD" and "BA" all had one hash under h = 3h + b, so every lookup among
// them compared against every candidate. Their hashes now differ, as any two texts' should.
TEST(LineHash, LinesMadeToCollideHashApart)
{
    std::vector<std::string> lines;
    for (unsigned n = 0; n < 1024; ++n) {
        std::string line;
        for (int bit = 0; bit < 10; ++bit)
            line += (n >> bit) & 1 ? "AD" : "BA";
        lines.push_back(line);
    }
    const CLineFile file = MakeFile(lines);
    std::vector<std::uint64_t> hashes = file.GetHashes();
    std::sort(hashes.begin(), hashes.end());
    EXPECT_EQ(std::adjacent_find(hashes.begin(), hashes.end()), hashes.end());
}

// The hash of a line is that of its comparable text, whatever the mix of bytes and the length of the
// line (ASCII is lowered eight bytes at a time as it is hashed, the rest by the full lower-casing).
TEST(LineHash, StoredHashMatchesComparableText)
{
    const std::string bytes = "@AZ[`az{ \t<>&\x80\xC3\x89\xFF";
    std::mt19937 random(7);
    std::vector<std::string> lines;
    for (int n = 0; n < 200; ++n) {
        std::string line(random() % 40, ' ');
        // Every other line ASCII only, which is lowered as it is hashed.
        const std::size_t choices = n % 2 ? bytes.size() : bytes.find('\x80');
        for (char& c : line)
            c = bytes[random() % choices];
        lines.push_back(line);
    }
    for (const CDiffOptions& options : {CDiffOptions(), IgnoreCaseAndIndent()}) {
        const CLineFile file = MakeFile(lines, options);
        ASSERT_EQ(file.GetLineCount(), static_cast<int>(lines.size()));
        for (int i = 0; i < file.GetLineCount(); ++i)
            ASSERT_EQ(file.GetHashes()[static_cast<std::size_t>(i)], CLineFile::LineHash(file.GetComparableLine(i)))
                << i;
    }
}

TEST(FindLine, LowestEqualPositionAtOrAfterStart)
{
    const CLineFile mine = MakeFile({"ab", "zz", "B_"}, IgnoreCaseAndIndent());
    const CLineFile other = MakeFile({"ab", "b_", "b_", "  AB", "ab", "x"}, IgnoreCaseAndIndent());

    int pos = 0;
    EXPECT_TRUE(mine.FindLine(0, other, pos));
    EXPECT_EQ(pos, 0);
    pos = 1;
    EXPECT_TRUE(mine.FindLine(0, other, pos));
    EXPECT_EQ(pos, 3);
    pos = 4;
    EXPECT_TRUE(mine.FindLine(0, other, pos));
    EXPECT_EQ(pos, 4);
    pos = 5;
    EXPECT_FALSE(mine.FindLine(0, other, pos));
    EXPECT_EQ(pos, 5);
    pos = 0;
    EXPECT_TRUE(mine.FindLine(2, other, pos));
    EXPECT_EQ(pos, 1);
    pos = 0;
    EXPECT_FALSE(mine.FindLine(1, other, pos));
    EXPECT_EQ(pos, 0);
    pos = 0;
    EXPECT_FALSE(mine.FindLine(3, other, pos));
    EXPECT_FALSE(mine.FindLine(-1, other, pos));
    EXPECT_EQ(pos, 0);
}

TEST(FindLine, FilesWithoutHashesFindNothing)
{
    const CLineFile loaded = MakeFile({"a"});
    CLineFile result;
    result.AppendLine("a", LineKind::Normal);
    int pos = 0;
    EXPECT_FALSE(loaded.FindLine(0, result, pos));
    EXPECT_FALSE(result.FindLine(0, loaded, pos));
    EXPECT_EQ(pos, 0);
}

TEST(FindLine, IndexFollowsLinesAddedLater)
{
    CLineFile mine;
    mine.AddLine("x");
    CLineFile other;
    other.AddLine("a");
    int pos = 0;
    EXPECT_FALSE(mine.FindLine(0, other, pos));
    other.AddLine("x");
    EXPECT_TRUE(mine.FindLine(0, other, pos));
    EXPECT_EQ(pos, 1);
}

// The indexed lookup must give exactly what a plain scan from pos gives, whatever the repetitions
// and hash collisions in the files.
TEST(FindLine, AgreesWithPlainScanOnRandomFiles)
{
    // The Kelvin sign lower-cases to an ASCII "k".
    const std::vector<std::string> alphabet
        = {"ab", "b_", "AB", "  ab", "", " ", "x", "X", "\tx", "é", "É", "k", "K", "\u212A"};
    std::mt19937 random(4);
    for (int round = 0; round < 40; ++round) {
        const CDiffOptions options = round % 2 ? IgnoreCaseAndIndent() : CDiffOptions();
        std::vector<std::string> a(random() % 12);
        std::vector<std::string> b(1 + random() % 30);
        for (auto& line : a)
            line = alphabet[random() % alphabet.size()];
        for (auto& line : b)
            line = alphabet[random() % alphabet.size()];
        const CLineFile mine = MakeFile(a, options);
        const CLineFile other = MakeFile(b, options);
        for (int i = 0; i < mine.GetLineCount(); ++i) {
            for (int start = 0; start <= other.GetLineCount(); ++start) {
                int expected = -1;
                for (int m = start; m < other.GetLineCount() && expected < 0; ++m) {
                    if (other.GetComparableLine(m) == mine.GetComparableLine(i))
                        expected = m;
                }
                int pos = start;
                const bool found = mine.FindLine(i, other, pos);
                ASSERT_EQ(found, expected >= 0) << "round " << round << " line " << i << " from " << start;
                ASSERT_EQ(pos, found ? expected : start);
            }
        }
    }
}

} // namespace
