// The state side of Vst3Plugin: the controller state the host stores with its projects.
#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/StateChunk.h"
#include "vst3/StreamAdapter.h"
#include "vst3/Vst3Plugin.h"

namespace tesselor::vst3 {

using namespace Steinberg;

namespace {
constexpr int kValueBytes = 8;   // one little-endian double per parameter
constexpr int kBypassBytes = 4;  // little-endian 32-bit word after the values
}  // namespace

tresult Vst3Plugin::SaveControllerState(IBStream* state) {
    if (!state) return kInvalidArgument;
    try {
        std::lock_guard lock(Mutex());
        framework::StateChunk chunk;
        if (!SaveStateChunk(chunk)) return kResultFalse;
        const std::uint32_t bypass = IsBypassed() ? 1u : 0u;
        const std::uint8_t word[kBypassBytes] = {static_cast<std::uint8_t>(bypass), 0, 0, 0};
        StreamAdapter stream(state);
        const bool written =
            stream.Write(chunk.Data(), chunk.Size()) && stream.Write(word, kBypassBytes);
        // A stream that refused bytes holds a state that would not load back; say so.
        return written ? kResultOk : kResultFalse;
    } catch (...) {
        return kOutOfMemory;
    }
}

tresult Vst3Plugin::LoadControllerState(IBStream* state) {
    if (!state) return kInvalidArgument;
    try {
        std::lock_guard lock(Mutex());
        // Start from the current settings: whatever the stream does not deliver stays as it is.
        framework::StateChunk chunk;
        if (!SaveStateChunk(chunk)) return kResultFalse;
        const int size = chunk.Size();
        if (size == 0) return kResultFalse;
        const std::vector<std::uint8_t> current(chunk.Data(), chunk.Data() + size);

        StreamAdapter stream(state);
        const int got = stream.Read(chunk.Data(), size);
        // A value cut short keeps its current bytes rather than becoming a mix of old and new.
        const int whole = got - got % kValueBytes;
        if (whole < size) std::memcpy(chunk.Data() + whole, current.data() + whole, size - whole);
        LoadStateChunk(chunk, 0);

        std::uint8_t word[kBypassBytes] = {};
        if (stream.Read(word, kBypassBytes) != kBypassBytes) return kResultFalse;
        ApplyBypass((word[0] | word[1] | word[2] | word[3]) != 0);
        RefreshEditorParams();
        return kResultOk;
    } catch (...) {
        return kOutOfMemory;
    }
}

}  // namespace tesselor::vst3
