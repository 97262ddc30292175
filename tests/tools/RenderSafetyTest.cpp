// An output only ever holds its old bytes or the whole new ones: rendering a file onto itself,
// failing and interrupted runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "CliTestSupport.h"

extern char** environ;

namespace tesselor::tools::test {
namespace {

namespace fs = std::filesystem;

std::vector<float> Ramp(std::size_t samples) {
    std::vector<float> data(samples);
    for (std::size_t i = 0; i < samples; ++i) data[i] = static_cast<float>((i % 211) / 211.0 - 0.5);
    return data;
}

TEST(RenderSafety, RenderingAFileOntoItselfEqualsRenderingItElsewhere) {
    const std::string folder = Scratch("self");
    fs::remove_all(folder);
    fs::create_directories(folder + "/sub");
    const std::string original = folder + "/original.wav";
    WriteAudio(original, 2, Ramp(2 * 4000), SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    const std::string reference = folder + "/reference.wav";
    const std::string settings = TestPlugin() + " --set Gain=0.5 --block 256";
    ASSERT_EQ(RunCli("render " + original + " " + reference + settings).status, 0);

    const std::string song = folder + "/song.wav";
    fs::create_symlink("song.wav", folder + "/link.wav");
    // The same file named as given, through another spelling, and through a symbolic link.
    for (const std::string& out : {song, folder + "/sub/../song.wav", folder + "/link.wav"}) {
        SCOPED_TRACE(out);
        fs::copy_file(original, song, fs::copy_options::overwrite_existing);
        const CliResult r = RunCli("render " + song + " " + out + settings);
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("rendered 0.09 s"), std::string::npos) << r.output;
        EXPECT_EQ(ReadBytes(song), ReadBytes(reference));
        EXPECT_TRUE(fs::is_symlink(folder + "/link.wav"));
        EXPECT_TRUE(StrayTemporaries(folder).empty());
    }
}

TEST(RenderSafety, AFailingSideOutputLeavesEveryOutputAsItWas) {
    const std::string folder = Scratch("failing");
    fs::remove_all(folder);
    fs::create_directories(folder + "/a-folder");
    const std::string in = folder + "/in.wav";
    WriteAudio(in, 1, Ramp(3000), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const std::string out = folder + "/out.wav";
    const std::vector<std::uint8_t> old = {'o', 'l', 'd', ' ', 'b', 'y', 't', 'e', 's'};
    const std::string state = folder + "/old.state";
    const std::string render = "render " + in + " " + out + TestPlugin() + " --set Gain=0.5";
    const std::string failures[] = {
        " --save-state " + folder + "/no-such-folder/s.state",
        " --save-state " + state + " --save-preset " + folder + "/a-folder",
        " --save-state " + state + " --save-preset " + in + "/p.vstpreset",
    };
    for (const std::string& failure : failures) {
        SCOPED_TRACE(failure);
        WriteBytes(out, old);
        WriteBytes(state, old);
        const CliResult r = RunCli(render + failure);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.output.rfind("tesselor: ", 0), 0u) << r.output;
        EXPECT_EQ(ReadBytes(out), old);
        EXPECT_EQ(ReadBytes(state), old);
        EXPECT_TRUE(StrayTemporaries(folder).empty());
    }
}

// Starts the tool with SIGINT and SIGTERM at their default actions (a background job inherits
// them ignored, and an ignored signal stays ignored), stops it with `signal` once it is writing
// (a temporary file exists, or `out` no longer has `oldSize` bytes), and returns the wait status.
int InterruptRender(const std::string& in, const std::string& out, std::uintmax_t oldSize,
                    const std::string& folder, int signal) {
    std::vector<std::string> words = {TESSELOR_CLI,         "render",  in, out, "--plugin",
                                      TESSELOR_TEST_BUNDLE, "--block", "1"};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return -1;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    std::error_code ec;
    while (StrayTemporaries(folder).empty() && fs::file_size(out, ec) == oldSize &&
           std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, signal);
    waitpid(pid, &status, 0);
    return status;
}

TEST(RenderSafety, AnInterruptedRenderLeavesTheOldOutputAndNoTemporaryFile) {
    const std::string folder = Scratch("interrupted");
    fs::remove_all(folder);
    fs::create_directories(folder);
    // 20 s at one frame per process call takes seconds: the signal lands mid-render.
    const std::string in = folder + "/long.wav";
    WriteAudio(in, 2, Ramp(2 * 44100 * 20), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const std::string out = folder + "/out.wav";
    const std::vector<std::uint8_t> old = {'k', 'e', 'e', 'p', ' ', 'm', 'e'};
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        WriteBytes(out, old);
        const int status = InterruptRender(in, out, old.size(), folder, signal);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the render ended before the signal, status " << status;
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(ReadBytes(out), old);
        EXPECT_TRUE(StrayTemporaries(folder).empty());
    }
    fs::remove(in);
}

}  // namespace
}  // namespace tesselor::tools::test
