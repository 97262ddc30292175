#include "tools/RawAudio.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tesselor::tools {

namespace {

constexpr std::size_t kFrameBytes = 16;  // two doubles

double ReadDouble(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void WriteDouble(double value, std::uint8_t* p) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

}  // namespace

bool ReadRawStereo(const std::string& path, RawStereo* audio, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) {
        *error = "cannot read " + path;
        return false;
    }
    if (bytes.size() % kFrameBytes != 0) {
        *error = path + ": " + std::to_string(bytes.size()) +
                 " bytes is not a whole number of stereo float64 frames (16 bytes each)";
        return false;
    }
    const std::size_t frames = bytes.size() / kFrameBytes;
    if (frames > static_cast<std::size_t>(INT32_MAX)) {
        *error = path + ": too long";
        return false;
    }
    audio->left.resize(frames);
    audio->right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        audio->left[i] = ReadDouble(&bytes[i * kFrameBytes]);
        audio->right[i] = ReadDouble(&bytes[i * kFrameBytes + 8]);
    }
    return true;
}

bool WriteRawStereo(const std::string& path, const RawStereo& audio, std::string* error) {
    std::vector<std::uint8_t> bytes(audio.left.size() * kFrameBytes);
    for (std::size_t i = 0; i < audio.left.size(); ++i) {
        WriteDouble(audio.left[i], &bytes[i * kFrameBytes]);
        WriteDouble(audio.right[i], &bytes[i * kFrameBytes + 8]);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace tesselor::tools
