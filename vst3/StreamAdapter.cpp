#include "vst3/StreamAdapter.h"

#include <cstdint>

namespace tesselor::vst3 {

using namespace Steinberg;

int StreamAdapter::Read(void* to, int bytes) {
    if (!_stream || !to || bytes <= 0) return 0;
    auto* at = static_cast<std::uint8_t*>(to);
    int done = 0;
    while (done < bytes) {
        int32 got = 0;
        if (_stream->read(at + done, bytes - done, &got) != kResultOk || got <= 0) break;
        done += got < bytes - done ? got : bytes - done;
    }
    return done;
}

bool StreamAdapter::Write(const void* from, int bytes) {
    if (bytes <= 0) return true;
    if (!_stream || !from) return false;
    auto* at = static_cast<std::uint8_t*>(const_cast<void*>(from));
    int done = 0;
    while (done < bytes) {
        int32 put = 0;
        if (_stream->write(at + done, bytes - done, &put) != kResultOk || put <= 0) return false;
        done += put < bytes - done ? put : bytes - done;
    }
    return true;
}

}  // namespace tesselor::vst3
