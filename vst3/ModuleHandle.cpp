#include <atomic>

#include "vst3/ModuleDescription.h"

namespace tesselor::vst3 {

namespace {
// Written by the module entry (the host's loading thread), read when editors are built.
std::atomic<void*> gModuleHandle{nullptr};
}  // namespace

void* ModuleHandle() { return gModuleHandle.load(); }

void SetModuleHandle(void* handle) { gModuleHandle.store(handle); }

}  // namespace tesselor::vst3
