// The X11 editor where it needs no X server: opening a link, and refusing to open a window with
// nothing to run it on. The window itself is tested through the bundle (tests/vst3).
#include "graphics/x11/GraphicsX11.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "graphics/HostRunLoop.h"

namespace tesselor::graphics {
namespace {

// Sets an environment variable for the test's length.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : _name(name) {
        if (const char* old = std::getenv(name)) _old = old, _had = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (_had)
            setenv(_name, _old.c_str(), 1);
        else
            unsetenv(_name);
    }

private:
    const char* _name;
    std::string _old;
    bool _had = false;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(GraphicsX11, OpensLinksWithXdgOpenWithoutAShellOrWaiting) {
    char folder[] = "/tmp/tesselor-xdg-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string dir = folder;
    const std::string seen = dir + "/seen";
    {
        // A stand-in that records its arguments, then takes its time as a browser would.
        std::ofstream script(dir + "/xdg-open");
        script << "#!/bin/sh\nprintf '%s|' \"$@\" > " << seen << ".part\nmv " << seen << ".part "
               << seen << "\nexec sleep 5\n";
    }
    chmod((dir + "/xdg-open").c_str(), 0755);
    GraphicsX11 g(nullptr, 10, 10, 25, {});
    const std::string url = "https://example.com/a b;$(touch " + dir + "/shell)";
    {
        ScopedEnv path("PATH", (dir + ":/usr/bin:/bin").c_str());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(g.OpenLink(url.c_str(), "", nullptr, nullptr));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        // Not our child: nothing for the host to reap, no zombie.
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);

        EXPECT_FALSE(g.OpenLink("--help", "", nullptr, nullptr));
        EXPECT_FALSE(g.OpenLink("", "", nullptr, nullptr));
    }
    for (int i = 0; i < 200 && ReadFile(seen).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFile(seen), url + "|");  // one argument, exactly as given
    EXPECT_NE(access((dir + "/shell").c_str(), F_OK), 0);

    ScopedEnv empty("PATH", folder);  // no xdg-open there any more
    std::remove((dir + "/xdg-open").c_str());
    EXPECT_FALSE(g.OpenLink("https://example.com/", "", nullptr, nullptr));
    std::remove(seen.c_str());
    rmdir(folder);
}

// Counts what is registered with it; never runs anything.
class CountingLoop : public HostRunLoop {
public:
    int AddTimer(int, Callback) override { return ++live, ++ids; }
    int AddReader(int, Callback) override { return ++live, ++ids; }
    void Remove(int id) override { live -= id > 0; }
    int live = 0;
    int ids = 0;
};

TEST(GraphicsX11, OpensNoWindowWithoutARunLoopOrADisplay) {
    GraphicsX11 g(nullptr, 10, 10, 25, {});
    g.PrepareDrawing();
    EXPECT_TRUE(g.PresentRect({0, 0, 10, 10}));                          // nothing to show it in
    EXPECT_EQ(g.OpenEditorWindow(reinterpret_cast<void*>(1)), nullptr);  // no run loop
    CountingLoop loop;
    g.SetRunLoop(&loop);
    ScopedEnv display("DISPLAY", nullptr);
    EXPECT_EQ(g.OpenEditorWindow(reinterpret_cast<void*>(1)), nullptr);
    EXPECT_EQ(g.OpenEditorWindow(nullptr), nullptr);
    EXPECT_EQ(loop.live, 0);
    EXPECT_EQ(g.WindowHandle(), nullptr);
    g.CloseEditorWindow();
}

}  // namespace
}  // namespace tesselor::graphics
