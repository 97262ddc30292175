#include "framework/HostKind.h"

#include <cstring>

namespace tesselor::framework {

namespace {

constexpr int kNameBytes = 127;

struct HostName {
    const char* text;
    int kind;
};

// Searched in this order; the first text found anywhere in the lower-cased name wins.
// clang-format off
constexpr HostName kHostNames[] = {
    {"cubase", 3},      {"reaper", 1},      {"nuendo", 4},     {"cakewalk", 5},
    {"samplitude", 8},  {"fruity", 7},      {"live", 9},       {"melodyne", 12},
    {"vstmanlib", 13},  {"aulab", 14},      {"garageband", 22}, {"forte", 15},
    {"chainer", 16},    {"audition", 17},   {"orion", 18},     {"sawstudio", 20},
    {"logic", 21},      {"digital", 23},    {"audiomulch", 25}, {"presonus", 26},
    {"vst3plugintesthost", 27},             {"protools", 2},   {"ardour", 28},
    {"openmpt", 30},    {"renoise", 29},    {"standalone", 24},
};
// clang-format on

}  // namespace

int HostKindFromName(const char* name) {
    char lower[kNameBytes + 1] = {};
    if (name) {
        for (int i = 0; i < kNameBytes && name[i] != '\0'; ++i) {
            const char c = name[i];
            lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    for (const HostName& h : kHostNames) {
        if (std::strstr(lower, h.text)) return h.kind;
    }
    return kHostUnmatched;
}

int HostKindFromUtf16Name(const char16_t* name, int maxUnits) {
    char narrow[kNameBytes + 1] = {};
    if (name) {
        for (int i = 0; i < maxUnits && i < kNameBytes && name[i] != 0; ++i) {
            narrow[i] = static_cast<char>(name[i] & 0xff);
        }
    }
    return HostKindFromName(narrow);
}

}  // namespace tesselor::framework
