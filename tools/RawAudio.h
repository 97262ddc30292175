#pragma once

#include <string>
#include <vector>

namespace tesselor::tools {

// Headerless audio as the test host reads and writes it: interleaved stereo frames of two
// little-endian IEEE 754 doubles (left, right), full scale 1.0. The rate is not stored.
struct RawStereo {
    std::vector<double> left;
    std::vector<double> right;

    int Frames() const { return static_cast<int>(left.size()); }
};

// False with `error` set when the file cannot be read, or its size is not a whole number of
// 16-byte frames.
bool ReadRawStereo(const std::string& path, RawStereo* audio, std::string* error);
// False with `error` set when the file cannot be written completely.
bool WriteRawStereo(const std::string& path, const RawStereo& audio, std::string* error);

}  // namespace tesselor::tools
