#pragma once

#include <memory>
#include <string>

#include "pluginterfaces/base/ipluginbase.h"

namespace tesselor::tools {

// A loaded VST 3 module: dlopen, ModuleEntry, GetPluginFactory, and the reverse on destruction.
// Nothing of the plug-in is linked in; everything goes through the exported factory.
class PluginModule {
public:
    // `path` is a bundle folder (X.vst3, whose Contents/x86_64-linux/X.so is loaded) or a shared
    // object. Null with `error` set when the module cannot be loaded or has no factory.
    static std::unique_ptr<PluginModule> Open(const std::string& path, std::string* error);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // The module's factory (one reference held by this object).
    Steinberg::IPluginFactory* Factory() const { return _factory; }
    void* Handle() const { return _handle; }
    const std::string& Path() const { return _path; }

    // The shared object inside a bundle folder, or `path` itself when it is no folder.
    static std::string SharedObjectPath(const std::string& path);

private:
    PluginModule() = default;

    void* _handle = nullptr;
    Steinberg::IPluginFactory* _factory = nullptr;
    std::string _path;
};

}  // namespace tesselor::tools
