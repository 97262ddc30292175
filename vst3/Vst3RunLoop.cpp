#include "vst3/Vst3RunLoop.h"

#include <algorithm>
#include <atomic>

namespace tesselor::vst3 {

using namespace Steinberg;

// One registration: a timer or a descriptor handler, whichever the host is given it as.
class Vst3RunLoop::Handler final : public Linux::ITimerHandler, public Linux::IEventHandler {
public:
    Handler(int id, bool isTimer, Callback callback)
        : _id(id), _isTimer(isTimer), _callback(std::move(callback)) {}
    Handler(const Handler&) = delete;
    Handler& operator=(const Handler&) = delete;

    int Id() const { return _id; }
    bool IsTimer() const { return _isTimer; }
    // From now on the host's calls do nothing. The callback itself stays until the last
    // reference goes: it may be the one running now.
    void Disarm() { _armed = false; }

    void PLUGIN_API onTimer() override { Run(); }
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override { Run(); }

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (!obj) return kInvalidArgument;
        if (FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *obj = static_cast<Linux::ITimerHandler*>(this);
        } else if (FUnknownPrivate::iidEqual(iid, Linux::IEventHandler::iid)) {
            *obj = static_cast<Linux::IEventHandler*>(this);
        } else {
            *obj = nullptr;
            return kNoInterface;
        }
        addRef();
        return kResultOk;
    }
    uint32 PLUGIN_API addRef() override { return _references.fetch_add(1) + 1; }
    uint32 PLUGIN_API release() override {
        const uint32 left = _references.fetch_sub(1) - 1;
        if (left == 0) delete this;
        return left;
    }

private:
    ~Handler() = default;

    void Run() {
        if (!_armed) return;
        // The callback may remove this very handler (the editor closing from inside a tick).
        addRef();
        _callback();
        release();
    }

    const int _id;
    const bool _isTimer;
    const Callback _callback;
    bool _armed = true;
    std::atomic<uint32> _references{1};
};

std::unique_ptr<Vst3RunLoop> Vst3RunLoop::FromFrame(IPlugFrame* frame) {
    if (!frame) return nullptr;
    Linux::IRunLoop* loop = nullptr;
    if (frame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) != kResultOk ||
        !loop)
        return nullptr;
    auto adapter = std::make_unique<Vst3RunLoop>(loop);
    loop->release();  // the adapter holds its own
    return adapter;
}

Vst3RunLoop::Vst3RunLoop(Linux::IRunLoop* loop) : _loop(loop) { _loop->addRef(); }

Vst3RunLoop::~Vst3RunLoop() {
    while (!_handlers.empty()) Remove(_handlers.back()->Id());
    _loop->release();
}

template <class Registration>
int Vst3RunLoop::Add(bool isTimer, Callback callback, Registration registration) {
    if (!callback) return 0;
    _handlers.reserve(_handlers.size() + 1);  // so that nothing can throw once registered
    auto* handler = new Handler(_lastId + 1, isTimer, std::move(callback));
    if (registration(handler) != kResultOk) {
        handler->Disarm();
        handler->release();
        return 0;
    }
    _handlers.push_back(handler);
    return ++_lastId;
}

int Vst3RunLoop::AddTimer(int periodMs, Callback callback) {
    if (periodMs <= 0) return 0;
    return Add(true, std::move(callback), [&](Handler* h) {
        return _loop->registerTimer(h, static_cast<Linux::TimerInterval>(periodMs));
    });
}

int Vst3RunLoop::AddReader(int fd, Callback callback) {
    if (fd < 0) return 0;
    return Add(false, std::move(callback),
               [&](Handler* h) { return _loop->registerEventHandler(h, fd); });
}

void Vst3RunLoop::Remove(int id) {
    const auto found = std::find_if(_handlers.begin(), _handlers.end(),
                                    [id](const Handler* h) { return h->Id() == id; });
    if (found == _handlers.end()) return;
    Handler* handler = *found;
    _handlers.erase(found);
    handler->Disarm();
    if (handler->IsTimer())
        _loop->unregisterTimer(handler);
    else
        _loop->unregisterEventHandler(handler);
    handler->release();
}

}  // namespace tesselor::vst3
