#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "raster/Utf8.h"

namespace tesselor::raster {
namespace {

std::vector<uint32_t> Decode(const std::string& bytes, int length) {
    std::vector<uint32_t> codes;
    Utf8Cursor cursor(bytes.c_str(), length);
    uint32_t code = 0;
    int size = 0;
    while (cursor.Next(code, size)) codes.push_back(code);
    return codes;
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    int length;  // -1: up to the NUL
    std::vector<uint32_t> codes;
};

TEST(Utf8Cursor, FollowsTheLenientRule) {
    const DecodeCase cases[] = {
        {"ascii", "Ab", -1, {'A', 'b'}},
        {"two bytes", "\xC3\xA9", -1, {0xE9}},
        {"three bytes", "\xE2\x82\xAC", -1, {0x20AC}},
        {"four bytes", "\xF0\x9F\x98\x80", -1, {0x1F600}},
        {"lone lead byte", "\xE9x", -1, {0xE9, 'x'}},
        {"C0 and C1 are single", "\xC0\x80\xC1", -1, {0xC0, 0x80, 0xC1}},
        {"stray continuation", "\x80\xBF", -1, {0x80, 0xBF}},
        {"F5 and above are single", "\xF5\x80\x80\x80", -1, {0xF5, 0x80, 0x80, 0x80}},
        {"three-byte kept to 16 bits", "\xEF\xBF\xBF", -1, {0xFFFF}},
        {"cut short by the text", "\xE2\x82", -1, {0xE2, 0x82}},
        {"cut short by the length", "\xC3\xA9", 1, {0xC3}},
        {"four bytes cut by the length", "\xF0\x9F\x98\x80", 3, {0xF0, 0x9F, 0x98}},
        {"stops at a NUL within the length", std::string("a\0b", 3), 3, {'a'}},
        {"zero length", "abc", 0, {}},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Decode(c.bytes, c.length), c.codes);
    }
}

TEST(Utf8, DetectsSequencesAndConvertsStrictly) {
    EXPECT_TRUE(HasUtf8Sequence("caf\xC3\xA9", -1));
    EXPECT_TRUE(HasUtf8Sequence("\xE2\x82\xAC", -1));
    EXPECT_FALSE(HasUtf8Sequence("plain", -1));
    EXPECT_FALSE(HasUtf8Sequence("\xE9", -1));
    EXPECT_FALSE(HasUtf8Sequence("\xC3\xA9", 1));  // the pair does not fit in the length

    char16_t out[8] = {};
    EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xF0\x9F\x98\x80", -1, out, 8), 4);
    EXPECT_EQ(out[0], u'a');
    EXPECT_EQ(out[1], u'\u00E9');
    EXPECT_EQ(out[2], 0xD83D);
    EXPECT_EQ(out[3], 0xDE00);
    EXPECT_EQ(Utf8ToUtf16("ab", -1, out, 1), -1);  // too small a buffer
    for (const char* bad :
         {"\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3", "\x80", "\xFF"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Utf8ToUtf16(bad, -1, nullptr, 0), -1);
    }
    EXPECT_EQ(Utf8ToUtf16("a\0b", 3, out, 8), 3);  // NULs inside a length are characters here
}

}  // namespace
}  // namespace tesselor::raster
