#include "TestRunLoop.h"

#include <poll.h>

#include <algorithm>

namespace tesselor::vst3::test {

using namespace Steinberg;

void TestRunLoop::Close() {
    for (const Timer& t : _timers) t.handler->release();
    for (const Reader& r : _readers) r.handler->release();
    _timers.clear();
    _readers.clear();
    CallLate();
}

int TestRunLoop::CallLate() {
    const int count = static_cast<int>(_lateTimers.size() + _lateReaders.size());
    for (Linux::ITimerHandler* h : _lateTimers) {
        h->onTimer();
        h->release();
    }
    for (Linux::IEventHandler* h : _lateReaders) {
        h->onFDIsSet(0);
        h->release();
    }
    _lateTimers.clear();
    _lateReaders.clear();
    return count;
}

bool TestRunLoop::RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        RunOnce(deadline);
    }
    return true;
}

void TestRunLoop::RunFor(int ms) {
    RunUntil([] { return false; }, ms);
}

void TestRunLoop::RunOnce(Clock::time_point deadline) {
    Clock::time_point wake = deadline;
    for (const Timer& t : _timers) wake = std::min(wake, t.due);
    const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
    std::vector<pollfd> fds;
    for (const Reader& r : _readers) fds.push_back({r.fd, POLLIN, 0});
    poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(waitMs, 0)));

    // A handler may unregister itself or others: each is looked up again before it is called.
    for (const pollfd& p : fds) {
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const auto r = std::find_if(_readers.begin(), _readers.end(),
                                    [&](const Reader& x) { return x.fd == p.fd; });
        if (r != _readers.end()) r->handler->onFDIsSet(p.fd);
    }
    std::vector<Linux::ITimerHandler*> due;
    const Clock::time_point now = Clock::now();
    for (Timer& t : _timers) {
        if (t.due > now) continue;
        t.due = std::max(t.due + std::chrono::milliseconds(t.periodMs), now);
        due.push_back(t.handler);
    }
    for (Linux::ITimerHandler* h : due) {
        if (std::none_of(_timers.begin(), _timers.end(),
                         [&](const Timer& t) { return t.handler == h; }))
            continue;
        ++_ticks;
        h->onTimer();
    }
}

tresult PLUGIN_API TestRunLoop::resizeView(IPlugView*, ViewRect*) { return kResultFalse; }

tresult PLUGIN_API TestRunLoop::registerEventHandler(Linux::IEventHandler* handler,
                                                     Linux::FileDescriptor fd) {
    if (!handler || fd < 0) return kInvalidArgument;
    handler->addRef();
    _readers.push_back({handler, fd});
    handler->addRef();
    _lateReaders.push_back(handler);
    return kResultOk;
}

tresult PLUGIN_API TestRunLoop::unregisterEventHandler(Linux::IEventHandler* handler) {
    const auto r = std::find_if(_readers.begin(), _readers.end(),
                                [&](const Reader& x) { return x.handler == handler; });
    if (r == _readers.end()) return kResultFalse;
    _readers.erase(r);
    handler->release();
    return kResultOk;
}

tresult PLUGIN_API TestRunLoop::registerTimer(Linux::ITimerHandler* handler,
                                              Linux::TimerInterval ms) {
    if (!handler || ms == 0) return kInvalidArgument;
    handler->addRef();
    handler->addRef();
    _lateTimers.push_back(handler);
    const int period = static_cast<int>(ms);
    _timers.push_back({handler, period, Clock::now() + std::chrono::milliseconds(period)});
    return kResultOk;
}

tresult PLUGIN_API TestRunLoop::unregisterTimer(Linux::ITimerHandler* handler) {
    const auto t = std::find_if(_timers.begin(), _timers.end(),
                                [&](const Timer& x) { return x.handler == handler; });
    if (t == _timers.end()) return kResultFalse;
    _timers.erase(t);
    handler->release();
    return kResultOk;
}

tresult PLUGIN_API TestRunLoop::queryInterface(const TUID iid, void** obj) {
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
        *obj = static_cast<Linux::IRunLoop*>(this);
        return kResultOk;
    }
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

tresult PLUGIN_API FrameWithoutRunLoop::queryInterface(const TUID iid, void** obj) {
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        *obj = this;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

}  // namespace tesselor::vst3::test
