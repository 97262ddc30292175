#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "pluginterfaces/gui/iplugview.h"

namespace tesselor::vst3::test {

// What a Linux host gives a plug-in's editor view: the frame (setFrame), which also answers the
// host's run loop, as DAWs implement them. Timers and descriptor handlers registered through
// IRunLoop run from RunUntil, on the calling thread, as a host's UI loop runs them; the loop holds
// a reference on each handler while it is registered. A stack object: its own reference counting
// is a no-op.
class TestRunLoop : public Steinberg::IPlugFrame, public Steinberg::Linux::IRunLoop {
public:
    TestRunLoop() = default;
    ~TestRunLoop() { Close(); }
    TestRunLoop(const TestRunLoop&) = delete;
    TestRunLoop& operator=(const TestRunLoop&) = delete;

    // Runs due timers and the handlers of readable descriptors until `done` returns true (checked
    // before each wait) or `timeoutMs` pass; false on time-out.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs = 3000);
    // Runs the loop for `ms` milliseconds.
    void RunFor(int ms);

    int Ticks() const { return _ticks; }  // onTimer calls so far, all timers together
    int TimerCount() const { return static_cast<int>(_timers.size()); }
    int ReaderCount() const { return static_cast<int>(_readers.size()); }
    int PeriodMs(int timer) const { return _timers.at(timer).periodMs; }
    // Like a careless host, keeps a reference on every handler ever registered; CallLate then
    // calls each of them once more, unregistered or not, and lets them go. Returns how many.
    int CallLate();
    // Releases every handler still held. Before the module that made them is unloaded.
    void Close();

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView*, Steinberg::ViewRect*) override;
    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval ms) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        Steinberg::Linux::ITimerHandler* handler;
        int periodMs;
        Clock::time_point due;
    };
    struct Reader {
        Steinberg::Linux::IEventHandler* handler;
        int fd;
    };

    void RunOnce(Clock::time_point deadline);

    std::vector<Timer> _timers;
    std::vector<Reader> _readers;
    std::vector<Steinberg::Linux::ITimerHandler*> _lateTimers;  // one reference each
    std::vector<Steinberg::Linux::IEventHandler*> _lateReaders;
    int _ticks = 0;
};

// A frame of a host that lends no run loop.
class FrameWithoutRunLoop : public Steinberg::IPlugFrame {
public:
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView*, Steinberg::ViewRect*) override {
        return Steinberg::kResultFalse;
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

}  // namespace tesselor::vst3::test
