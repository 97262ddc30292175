// The module's entry points and class factory, the same for every plug-in built on the binding:
// GetPluginFactory, InitDll and ExitDll (and on Linux ModuleEntry and ModuleExit), one effect class
// as the product describes it (ModuleDescription.h), processor and controller in one object.
#include <cstring>
#include <mutex>
#include <new>

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "vst3/ModuleDescription.h"
#include "vst3/PluginFactory.h"
#include "vst3/Vst3Plugin.h"

#if SMTG_OS_WINDOWS
#include <windows.h>
#undef RegisterClass  // winuser.h's name for RegisterClassA would rename PluginFactory's
#endif

using namespace Steinberg;

namespace tesselor::vst3 {

namespace {

FactorySlot gFactorySlot;
// Constructors touch process-wide caches of the editor, so instances are built one at a time.
std::mutex gCreationMutex;
// The handle captured when the module was attached to the process (Windows) or given by the
// host (Linux); InitDll hands it to the editor (SetModuleHandle).
void* gAttachedHandle = nullptr;

FUnknown* CreateInstance(void*) {
    std::lock_guard lock(gCreationMutex);
    Vst3Plugin* plugin = ThisModule().create ? ThisModule().create() : nullptr;
    return plugin ? static_cast<Vst::IAudioProcessor*>(plugin) : nullptr;
}

PluginFactory* BuildFactory() {
    const ModuleDescription& m = ThisModule();
    const PFactoryInfo factoryInfo(m.vendor, m.url, m.email, PFactoryInfo::kUnicode);
    TUID classId;
    std::memcpy(classId, m.classId, sizeof classId);
    const PClassInfo2 classInfo(classId, PClassInfo::kManyInstances, m.category, m.name,
                                Vst::kSimpleModeSupported, m.subCategories, "", m.version,
                                m.sdkVersion);
    auto* factory = new (std::nothrow) PluginFactory(factoryInfo);
    if (!factory) return nullptr;
    if (!factory->RegisterClass(classInfo, CreateInstance)) {
        factory->release();
        return nullptr;
    }
    return factory;
}

}  // namespace

}  // namespace tesselor::vst3

extern "C" {

SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
    try {
        return tesselor::vst3::gFactorySlot.Acquire(tesselor::vst3::BuildFactory);
    } catch (...) {
        return nullptr;
    }
}

SMTG_EXPORT_SYMBOL bool InitDll() {
    tesselor::vst3::SetModuleHandle(tesselor::vst3::gAttachedHandle);
    return true;
}

SMTG_EXPORT_SYMBOL bool ExitDll() { return true; }

#if SMTG_OS_WINDOWS
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        tesselor::vst3::gAttachedHandle = instance;
        // Hosts that never call InitDll still find the module's resources.
        tesselor::vst3::SetModuleHandle(instance);
    }
    return TRUE;
}
#else
// The Linux names of the two calls above; the host passes the handle it loaded the module by.
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle) {
    tesselor::vst3::gAttachedHandle = sharedLibraryHandle;
    return InitDll();
}

SMTG_EXPORT_SYMBOL bool ModuleExit() { return ExitDll(); }
#endif

}  // extern "C"
