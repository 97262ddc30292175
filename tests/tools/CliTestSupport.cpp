#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tesselor::tools::test {

CliResult RunCli(const std::string& args) {
    CliResult r;
    const std::string command = std::string(TESSELOR_CLI) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
    r.status = pclose(pipe);
    return r;
}

std::string Scratch(const std::string& name) {
    return std::string(TESSELOR_TEST_SCRATCH) + "/" + name;
}

std::string TestPlugin() { return std::string(" --plugin ") + TESSELOR_TEST_BUNDLE; }

void WriteAudio(const std::string& path, int channels, const std::vector<float>& interleaved,
                int format) {
    SF_INFO info = {};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << path;
    sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / channels));
    sf_close(f);
}

std::vector<float> ReadAudio(const std::string& path, SF_INFO* info) {
    *info = {};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, info);
    if (!f) return {};
    std::vector<float> data(static_cast<std::size_t>(info->frames * info->channels));
    sf_readf_float(f, data.data(), info->frames);
    sf_close(f);
    return data;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> StrayTemporaries(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.' && name.find("tesselor-") != std::string::npos) found.push_back(name);
    }
    return found;
}

}  // namespace tesselor::tools::test
