// Entry points of the test module: one class, TestPlugin.
#include <mutex>

#include "TestPlugin.h"
#include "TestPluginIds.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "vst3/PluginFactory.h"

using namespace Steinberg;

namespace {

tesselor::vst3::FactorySlot gFactorySlot;
std::mutex gCreationMutex;

FUnknown* CreateTestPlugin(void*) {
    std::lock_guard lock(gCreationMutex);
    return static_cast<Vst::IAudioProcessor*>(new tesselor::vst3::test::TestPlugin());
}

tesselor::vst3::PluginFactory* BuildFactory() {
    static const PFactoryInfo factoryInfo("Tesselor Tests", "https://example.invalid/",
                                          "tests@example.invalid", PFactoryInfo::kUnicode);
    static const PClassInfo2 classInfo(
        tesselor::vst3::test::kTestClassId, PClassInfo::kManyInstances, kVstAudioEffectClass,
        "Test Plugin", Vst::kSimpleModeSupported, "Fx", "", "1.0.0", "VST 3.6.12");
    auto* factory = new tesselor::vst3::PluginFactory(factoryInfo);
    factory->RegisterClass(classInfo, CreateTestPlugin);
    return factory;
}

}  // namespace

extern "C" {
SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
    return gFactorySlot.Acquire(BuildFactory);
}
SMTG_EXPORT_SYMBOL bool InitDll() { return true; }
SMTG_EXPORT_SYMBOL bool ExitDll() { return true; }
SMTG_EXPORT_SYMBOL bool ModuleEntry(void*) { return true; }
SMTG_EXPORT_SYMBOL bool ModuleExit() { return true; }
}
