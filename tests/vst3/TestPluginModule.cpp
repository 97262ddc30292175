// What the test module tells hosts about its one class, TestPlugin.
#include "vst3/ModuleDescription.h"

namespace tesselor::vst3::test {
Vst3Plugin* CreateTestPlugin();  // TestPlugin.cpp
}  // namespace tesselor::vst3::test

namespace tesselor::vst3 {

const ModuleDescription& ThisModule() {
    static const ModuleDescription kModule = {
        {'T', 'e', 's', 's', 'e', 'l', 'o', 'r', 'T', 'e', 's', 't', 'P', 'l', 'u', 'g'},
        "Tesselor Tests",
        "https://example.invalid/",
        "tests@example.invalid",
        "Test Plugin",
        "Audio Module Class",
        "Fx",
        "1.0.0",
        "VST 3.6.12",
        &test::CreateTestPlugin,
    };
    return kModule;
}

}  // namespace tesselor::vst3
