#include "framework/HostKind.h"

#include <string>

#include <gtest/gtest.h>

namespace tesselor::framework {
namespace {

TEST(HostKind, MatchesKnownNamesInTableOrder) {
    struct {
        const char* name;
        int kind;
    } cases[] = {
        {"REAPER", 1},
        {"Cubase Pro 13.0.10", 3},
        {"VST3PluginTestHost", 27},
        {"Ableton Live 12", 9},
        {"Cubase Live", 3},     // "cubase" comes before "live"
        {"Logic Digital", 21},  // "logic" comes before "digital"
        {"Digital Performer", 23},
        {"Bitwig Studio", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_EQ(HostKindFromName(c.name), c.kind);
    }
}

TEST(HostKind, LooksAtTheFirst127BytesOnly) {
    const std::string padding(123, 'x');
    EXPECT_EQ(HostKindFromName((padding + "live").c_str()), 9);   // ends at byte 127
    EXPECT_EQ(HostKindFromName((padding + "xlive").c_str()), 0);  // "e" is byte 128
}

TEST(HostKind, NarrowsSixteenBitNamesToTheirLowBytes) {
    EXPECT_EQ(HostKindFromUtf16Name(u"Ardour 8.4", 128), 28);
    const char16_t shifted[] = {0x172, 0x165, 0x161, 0x170, 0x165, 0x172, 0};  // low bytes "reaper"
    EXPECT_EQ(HostKindFromUtf16Name(shifted, 128), 1);
    const char16_t high[] = {0x4E00, 0x4E8C, 0x4E09, 0};
    EXPECT_EQ(HostKindFromUtf16Name(high, 128), 0);
    EXPECT_EQ(HostKindFromUtf16Name(u"reaper", 3), 0);  // stops after the given units
    EXPECT_EQ(HostKindFromUtf16Name(nullptr, 128), 0);
}

}  // namespace
}  // namespace tesselor::framework
