// The module's entry points and class factory: one effect class, Tesselor, processor and
// controller in one object.
#include <mutex>

#include "plugin/Tesselor.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "vst3/PluginFactory.h"
#include "vst3/Vst3Plugin.h"

using namespace Steinberg;

namespace {

// 0DE7AEF2-DE00-4E4F, then the maker code "Mrvk" and the plug-in code "Tsl1", in memory order.
constexpr TUID kTesselorClassId = {0x0D,
                                   static_cast<char>(0xE7),
                                   static_cast<char>(0xAE),
                                   static_cast<char>(0xF2),
                                   static_cast<char>(0xDE),
                                   0x00,
                                   0x4E,
                                   0x4F,
                                   'M',
                                   'r',
                                   'v',
                                   'k',
                                   'T',
                                   's',
                                   'l',
                                   '1'};

tesselor::vst3::FactorySlot gFactorySlot;
// Constructors touch process-wide caches of the editor, so instances are built one at a time.
std::mutex gCreationMutex;
void* gModuleHandle =
    nullptr;  // the handle the host loaded us by; the editor finds resources from it

FUnknown* CreateTesselor(void*) {
    std::lock_guard lock(gCreationMutex);
    auto* plugin = new tesselor::plugin::Tesselor();
    return static_cast<Vst::IAudioProcessor*>(plugin);
}

tesselor::vst3::PluginFactory* BuildFactory() {
    static const PFactoryInfo factoryInfo("CopperWireworks", "https://www.copperwireworks.com/",
                                          "support@copperwireworks.com", PFactoryInfo::kUnicode);
    static const PClassInfo2 classInfo(kTesselorClassId, PClassInfo::kManyInstances,
                                       kVstAudioEffectClass, "Tesselor", Vst::kSimpleModeSupported,
                                       "Fx|EQ", "", "2.0.0", "VST 3.6.12");
    auto* factory = new (std::nothrow) tesselor::vst3::PluginFactory(factoryInfo);
    if (!factory) return nullptr;
    if (!factory->RegisterClass(classInfo, CreateTesselor)) {
        factory->release();
        return nullptr;
    }
    return factory;
}

}  // namespace

extern "C" {

SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
    try {
        return gFactorySlot.Acquire(BuildFactory);
    } catch (...) {
        return nullptr;
    }
}

SMTG_EXPORT_SYMBOL bool InitDll() { return true; }

SMTG_EXPORT_SYMBOL bool ExitDll() { return true; }

// The Linux names of the two calls above; the host passes the handle it loaded the module by.
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle) {
    gModuleHandle = sharedLibraryHandle;
    return InitDll();
}

SMTG_EXPORT_SYMBOL bool ModuleExit() { return ExitDll(); }

}  // extern "C"
