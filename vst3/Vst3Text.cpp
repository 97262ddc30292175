#include "vst3/Vst3Text.h"

namespace tesselor::vst3 {

void WidenText(Steinberg::Vst::TChar* to, std::size_t size, const char* from) {
    if (!to || size == 0) return;
    std::size_t i = 0;
    for (; from && i + 1 < size && from[i]; ++i) {
        to[i] = static_cast<Steinberg::Vst::TChar>(static_cast<unsigned char>(from[i]));
    }
    to[i] = 0;
}

void NarrowText(char* to, std::size_t size, const Steinberg::Vst::TChar* from) {
    if (!to || size == 0) return;
    std::size_t i = 0;
    for (; from && i + 1 < size && from[i]; ++i) to[i] = static_cast<char>(from[i] & 0xFF);
    to[i] = 0;
}

}  // namespace tesselor::vst3
