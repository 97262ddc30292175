#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tesselor::tools::test {

struct CliResult {
    int status = -1;     // as pclose reports it
    std::string output;  // stdout and stderr together
};

// Runs the built `tesselor` with `args` (shell words) and waits for it.
CliResult RunCli(const std::string& args);

// A path in the tests' scratch folder.
std::string Scratch(const std::string& name);
// " --plugin <the test bundle>", for appending to arguments.
std::string TestPlugin();

void WriteAudio(const std::string& path, int channels, const std::vector<float>& interleaved,
                int format);
std::vector<float> ReadAudio(const std::string& path, SF_INFO* info);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Names in `folder` that start with '.' and hold "tesselor-": temporary files left behind.
std::vector<std::string> StrayTemporaries(const std::string& folder);

}  // namespace tesselor::tools::test
