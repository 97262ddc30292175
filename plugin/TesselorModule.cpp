// What the Tesselor module tells hosts about its one class. Plain data: the VST 3 module entry
// (vst3/ModuleEntry.cpp) builds the factory from it.
#include "vst3/ModuleDescription.h"

namespace tesselor::plugin {
vst3::Vst3Plugin* CreateTesselor();  // Tesselor.cpp
}  // namespace tesselor::plugin

namespace tesselor::vst3 {

const ModuleDescription& ThisModule() {
    static const ModuleDescription kModule = {
        // 0DE7AEF2-DE00-4E4F, then the maker code "Mrvk" and the plug-in code "Tsl1".
        {0x0D, 0xE7, 0xAE, 0xF2, 0xDE, 0x00, 0x4E, 0x4F, 'M', 'r', 'v', 'k', 'T', 's', 'l', '1'},
        "CopperWireworks",
        "https://www.copperwireworks.com/",
        "support@copperwireworks.com",
        "Tesselor",
        "Audio Module Class",
        "Fx|EQ",
        "2.0.0",
        "VST 3.6.12",
        &plugin::CreateTesselor,
    };
    return kModule;
}

}  // namespace tesselor::vst3
