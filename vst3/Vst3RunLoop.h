#pragma once

#include <memory>
#include <vector>

#include "graphics/HostRunLoop.h"
#include "pluginterfaces/gui/iplugview.h"

namespace tesselor::vst3 {

// A Linux host's run loop (Steinberg::Linux::IRunLoop, which the host's IPlugFrame answers) as the
// editor's HostRunLoop. Every timer and descriptor gets a handler object of its own, reference
// counted as hosts expect; removing one unregisters it and disarms it, so a host that calls or
// releases it late reaches nothing of the editor. The destructor removes what is still registered
// and gives back the reference on the host's loop.
//
// Threads: the host's UI thread.
class Vst3RunLoop final : public graphics::HostRunLoop {
public:
    // The loop of `frame`; null when there is no frame or it offers no run loop.
    static std::unique_ptr<Vst3RunLoop> FromFrame(Steinberg::IPlugFrame* frame);

    // Holds a reference on `loop` (not null).
    explicit Vst3RunLoop(Steinberg::Linux::IRunLoop* loop);
    ~Vst3RunLoop() override;
    Vst3RunLoop(const Vst3RunLoop&) = delete;
    Vst3RunLoop& operator=(const Vst3RunLoop&) = delete;

    int AddTimer(int periodMs, Callback callback) override;
    int AddReader(int fd, Callback callback) override;
    void Remove(int id) override;

private:
    class Handler;

    // Registers a new handler through `registration`; its id, or 0 when the host refused it.
    template <class Registration>
    int Add(bool isTimer, Callback callback, Registration registration);

    Steinberg::Linux::IRunLoop* _loop;
    std::vector<Handler*> _handlers;  // registered, one reference held on each
    int _lastId = 0;
};

}  // namespace tesselor::vst3
