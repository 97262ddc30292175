#pragma once

#include <cstddef>

#include "pluginterfaces/vst/vsttypes.h"

namespace tesselor::vst3 {

// The framework keeps single-byte texts; VST 3 speaks 16-bit units. Widening maps each byte to one
// unit, narrowing keeps each unit's low byte. Both stop at the first NUL or after size - 1 units
// and always terminate; a null source gives an empty text.

void WidenText(Steinberg::Vst::TChar* to, std::size_t size, const char* from);
template <std::size_t N>
void WidenText(Steinberg::Vst::TChar (&to)[N], const char* from) {
    WidenText(to, N, from);
}

void NarrowText(char* to, std::size_t size, const Steinberg::Vst::TChar* from);

}  // namespace tesselor::vst3
