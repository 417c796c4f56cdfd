#include "model/Archive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

struct PrefixCase
{
    size_t length;
    std::string prefix;
};

class ArchiveTextPrefix : public testing::TestWithParam<PrefixCase>
{
};

// Lengths at each boundary of the 1-, 3- and 7-byte prefixes.
INSTANTIATE_TEST_SUITE_P(Boundaries, ArchiveTextPrefix,
                         testing::Values(PrefixCase{0, Bytes({0})}, PrefixCase{254, Bytes({0xFE})},
                                         PrefixCase{255, Bytes({0xFF, 0xFF, 0x00})},
                                         PrefixCase{0xFFFD, Bytes({0xFF, 0xFD, 0xFF})},
                                         PrefixCase{0xFFFE, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
                                         PrefixCase{65535, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00})},
                                         PrefixCase{70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})}),
                         [](const testing::TestParamInfo<PrefixCase>& info) {
                             return "length" + std::to_string(info.param.length);
                         });

TEST_P(ArchiveTextPrefix, WritesPrefixThenBytesAndReadsBack)
{
    const std::string text(GetParam().length, 'x');
    CArchiveWriter writer;
    writer.WriteString(text);
    EXPECT_EQ(writer.Data(), GetParam().prefix + text);

    CArchiveReader reader(writer.Data());
    std::string back;
    ASSERT_TRUE(reader.ReadString(back));
    EXPECT_EQ(back, text);
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(Archive, ReadsUtf16TextAsUtf8)
{
    // 0xFF 0xFFFE marks UTF-16; the length that follows counts characters: "Aé€𝄞" (the last one a pair).
    const std::string data = Bytes({0xFF, 0xFE, 0xFF, 5, 'A', 0, 0xE9, 0x00, 0xAC, 0x20, 0x34, 0xD8, 0x1E, 0xDD});
    CArchiveReader reader(data);
    std::string text;
    ASSERT_TRUE(reader.ReadString(text));
    EXPECT_EQ(text, "A\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E");
    EXPECT_EQ(reader.Remaining(), 0u);

    // A lone surrogate cannot be carried into UTF-8.
    const std::string loneData = Bytes({0xFF, 0xFE, 0xFF, 1, 0x00, 0xD8});
    CArchiveReader lone(loneData);
    ASSERT_TRUE(lone.ReadString(text));
    EXPECT_EQ(text, "\xEF\xBF\xBD");
}

TEST(Archive, MalformedOrShortTextFailsAndStaysFailed)
{
    for (const std::string& data :
         {Bytes({5, 'a', 'b'}), Bytes({0xFF, 0x10}), Bytes({0xFF, 0xFF, 0xFF, 0xFF}),
          Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0}),
          Bytes({0xFF, 0xFE, 0xFF, 2, 'a', 0})}) {
        CArchiveReader reader(data);
        std::string text = "untouched";
        EXPECT_FALSE(reader.ReadString(text));
        EXPECT_EQ(text, "untouched");
        EXPECT_TRUE(reader.Failed());
        int32_t value = 7;
        EXPECT_FALSE(reader.ReadInt32(value));
        EXPECT_EQ(value, 7);
    }
}

TEST(Archive, IntegersAreLittleEndianAndTimesSignExtend)
{
    CArchiveWriter writer;
    writer.WriteInt32(-2);
    writer.WriteUInt32(0x01020304u);
    writer.WriteBool(true);
    writer.WriteTime(-1);
    EXPECT_EQ(writer.Data(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));

    const std::string extremes = Bytes({0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F});
    CArchiveReader reader(extremes);
    int64_t seconds = 0;
    ASSERT_TRUE(reader.ReadTime(seconds));
    EXPECT_EQ(seconds, INT32_MIN); // December 1901
    ASSERT_TRUE(reader.ReadTime(seconds));
    EXPECT_EQ(seconds, INT32_MAX); // January 2038
}

TEST(Archive, TimesOutsideThe32BitRangeAreStoredAsTheNearestThatFits)
{
    const int64_t cases[][2] = {
        {int64_t{1} << 31, INT32_MAX}, // would wrap to 1901
        {int64_t{1} << 32, INT32_MAX}, // would wrap to 0, "not set"
        {(int64_t{1} << 32) + 5, INT32_MAX}, // would wrap to 5
        {-(int64_t{1} << 31) - 1, INT32_MIN}, // would wrap to 2038
        {INT64_MIN, INT32_MIN},
    };
    for (const auto& c : cases) {
        CArchiveWriter writer;
        writer.WriteTime(c[0]);
        CArchiveReader reader(writer.Data());
        int64_t back = 0;
        ASSERT_TRUE(reader.ReadTime(back));
        EXPECT_EQ(back, c[1]) << "stored " << c[0];
    }
}

} // namespace
