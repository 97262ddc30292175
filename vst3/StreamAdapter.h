#pragma once

#include "pluginterfaces/base/ibstream.h"

namespace tesselor::vst3 {

// Reads and writes a host's byte stream through its read and write calls only. Streams may
// deliver less than asked per call; both operations keep asking until the stream stops making
// progress, and never trust a count larger than what was asked.
//
// Threads: whichever thread the host calls the state functions on.
class StreamAdapter {
public:
    explicit StreamAdapter(Steinberg::IBStream* stream) : _stream(stream) {}

    // Bytes delivered into `to`, 0..bytes.
    int Read(void* to, int bytes);
    // True when the stream took every byte.
    bool Write(const void* from, int bytes);

private:
    Steinberg::IBStream* _stream;
};

}  // namespace tesselor::vst3
