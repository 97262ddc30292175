#pragma once

#include <memory>
#include <string>

#include "pluginterfaces/base/ipluginbase.h"

namespace tesselor::tools {

// A loaded VST 3 module, loaded as a host loads it: on Linux dlopen, ModuleEntry, GetPluginFactory;
// on Windows LoadLibrary, InitDll, GetPluginFactory; and the reverse on destruction. Nothing of the
// plug-in is linked in; everything goes through the exported factory.
class PluginModule {
public:
    // `path` (UTF-8) is a bundle folder (X.vst3, whose Contents/x86_64-linux/X.so or, on Windows,
    // Contents/x86_64-win/X.vst3 is loaded) or the module file itself. Null with `error` set when
    // the module cannot be loaded, its entry call fails or it has no factory.
    static std::unique_ptr<PluginModule> Open(const std::string& path, std::string* error);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // The module's factory (one reference held by this object).
    Steinberg::IPluginFactory* Factory() const { return _factory; }
    void* Handle() const { return _handle; }
    // The address of an exported function or object, or null.
    void* Symbol(const char* name) const;
    const std::string& Path() const { return _path; }

    // The module file inside a bundle folder, or `path` itself when it is no folder.
    static std::string SharedObjectPath(const std::string& path);

private:
    PluginModule() = default;

    void* _handle = nullptr;
    Steinberg::IPluginFactory* _factory = nullptr;
    std::string _path;
};

}  // namespace tesselor::tools
