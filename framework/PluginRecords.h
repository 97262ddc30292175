#pragma once

#include <cstdint>
#include <vector>

#include "framework/StateChunk.h"

namespace tesselor::framework {

// Plain records held by PluginBase.

// Four-character code, first character in the most significant byte: FourCc("Tsl1").
constexpr std::uint32_t FourCc(const char (&code)[5]) {
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16 |
           std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint32_t(std::uint8_t(code[3]));
}

constexpr int kIdentityTextSize = 128;  // bytes, NUL included
constexpr int kPresetNameSize = 256;    // bytes, NUL included

struct PluginIdentity {
    const char* effectName = "";
    const char* productName = "";
    const char* makerName = "";
    std::int32_t version = 0;  // 0x00020000 is 2.0.0
    std::uint32_t uniqueId = 0;
    std::uint32_t makerId = 0;
};

// One legal pair of channel counts.
struct ChannelLayout {
    int inputs = 0;
    int outputs = 0;
};

struct InputChannel {
    bool connected = false;
    double** entry = nullptr;     // this channel's slot in the input pointer array
    std::vector<double> scratch;  // block size samples, zeroed whenever resized
};

struct OutputChannel {
    bool connected = false;
    double** entry = nullptr;      // this channel's slot in the output pointer array
    float* destination = nullptr;  // host's 32-bit samples of this channel while processing
    std::vector<double> scratch;
};

struct PresetSlot {
    bool initialised = false;
    char name[kPresetNameSize] = "empty";
    StateChunk state;  // empty until the slot is first initialised
};

// Delays the dry signal by the reported latency while bypassed.
struct BypassDelay {
    std::vector<double> buffer;  // `length` samples per input channel, one run after another
    int writePos = 0;
    int inputs = 0;
    int outputs = 0;
    int length = 0;  // samples; the latency it was sized for
};

struct TransportInfo {
    double tempo = 0.0;            // beats per minute
    double samplePosition = 0.0;   // project time, samples
    double musicalPosition = 0.0;  // quarter notes
    double barStart = 0.0;         // quarter notes
    double cycleStart = 0.0;       // quarter notes
    double cycleEnd = 0.0;         // quarter notes
    int timeSigNumerator = 0;
    int timeSigDenominator = 0;
    bool playing = false;
    bool cycleActive = false;
};

struct MidiMessage {
    int offset = 0;  // frames into the block
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

}  // namespace tesselor::framework
