#pragma once

namespace tesselor::framework {

// Small integer naming the host application; nothing in the plug-in's behaviour depends on it.
// -1: not identified (no host-application interface); 0: the name matched nothing.
constexpr int kHostUnknown = -1;
constexpr int kHostUnmatched = 0;

// Matches known product names, case-insensitively (A-Z only), as substrings of `name`, in a fixed
// order where names overlap: "Cubase Live" is Cubase. Only the first 127 bytes take part.
int HostKindFromName(const char* name);

// The same for a host's 16-bit name: each unit is cut to its low byte, stopping at 0 or after
// `maxUnits` units.
int HostKindFromUtf16Name(const char16_t* name, int maxUnits);

}  // namespace tesselor::framework
