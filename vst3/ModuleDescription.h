#pragma once

// What a plug-in module tells the VST 3 module entry (ModuleEntry.cpp) about its one effect class.
// No SDK header here: the product describes itself in plain terms, the binding does the rest.

namespace tesselor::vst3 {

class Vst3Plugin;

struct ModuleDescription {
    unsigned char classId[16];  // in memory order, as hosts store it
    const char* vendor;         // the factory's vendor
    const char* url;            // the vendor's site, ending in "/"
    const char* email;          // a contact mailbox at the vendor's domain
    const char* name;           // the class name hosts list
    const char* category;       // e.g. "Audio Module Class"
    const char* subCategories;  // e.g. "Fx|EQ"
    const char* version;        // e.g. "2.0.0"
    const char* sdkVersion;     // the SDK version the class reports
    // Makes a new instance with one reference (owned by the caller), or null. Called under the
    // module's creation lock, one instance at a time.
    Vst3Plugin* (*create)();
};

// Defined once in every module by its product (e.g. plugin/TesselorModule.cpp).
const ModuleDescription& ThisModule();

// The handle the host loaded the module by (the module instance on Windows, the shared object's
// handle on Linux), for finding the module's own resources; null until the host has given it
// (and in programs that link a plug-in without loading it as a module).
void* ModuleHandle();
// Set by the module entry.
void SetModuleHandle(void* handle);

}  // namespace tesselor::vst3
