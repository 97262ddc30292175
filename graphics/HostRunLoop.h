#pragma once

#include <functional>

namespace tesselor::graphics {

// The host's event loop, for a window class whose platform has no loop of its own: an X11 host
// runs its own loop and lends it to plug-ins, so the editor's redraw timer and the events of its
// X connection arrive as callbacks from it, on the host's UI thread, and the editor starts no
// thread. The plug-in binding adapts the host's interface to this one (vst3/Vst3RunLoop).
//
// Threads: the host's UI thread only; every callback runs there too.
class HostRunLoop {
public:
    using Callback = std::function<void()>;

    virtual ~HostRunLoop() = default;

    // `callback` runs every `periodMs` milliseconds until Remove. An id > 0, or 0 when the host
    // refuses the timer.
    virtual int AddTimer(int periodMs, Callback callback) = 0;
    // `callback` runs whenever file descriptor `fd` is readable, until Remove. An id > 0, or 0.
    virtual int AddReader(int fd, Callback callback) = 0;
    // Unregisters `id` (0 and unknown ids are ignored). Its callback never runs again, even from a
    // host that keeps calling the handler it was given, and may be removed from inside itself.
    virtual void Remove(int id) = 0;
};

}  // namespace tesselor::graphics
