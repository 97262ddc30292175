#include "tools/PluginModule.h"

#include <dlfcn.h>

#include <filesystem>

namespace tesselor::tools {

namespace {
using GetFactoryFunction = Steinberg::IPluginFactory* (*)();
using ModuleEntryFunction = bool (*)(void*);
using ModuleExitFunction = bool (*)();
}  // namespace

std::string PluginModule::SharedObjectPath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p(path);
    if (!fs::is_directory(p, ec)) return path;
    if (!p.has_filename()) p = p.parent_path();  // "X.vst3/"
    return (p / "Contents" / "x86_64-linux" / (p.stem().string() + ".so")).string();
}

std::unique_ptr<PluginModule> PluginModule::Open(const std::string& path, std::string* error) {
    std::unique_ptr<PluginModule> module(new PluginModule);
    module->_path = SharedObjectPath(path);
    if (!std::filesystem::exists(module->_path)) {
        if (error) *error = "no plug-in at " + module->_path;
        return nullptr;
    }
    module->_handle = dlopen(module->_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module->_handle) {
        if (error) *error = std::string("cannot load ") + module->_path + ": " + dlerror();
        return nullptr;
    }
    if (auto entry = reinterpret_cast<ModuleEntryFunction>(dlsym(module->_handle, "ModuleEntry"))) {
        if (!entry(module->_handle)) {
            if (error) *error = module->_path + ": ModuleEntry failed";
            dlclose(module->_handle);
            module->_handle = nullptr;
            return nullptr;
        }
    }
    auto getFactory =
        reinterpret_cast<GetFactoryFunction>(dlsym(module->_handle, "GetPluginFactory"));
    module->_factory = getFactory ? getFactory() : nullptr;
    if (!module->_factory) {
        if (error) *error = module->_path + ": no plug-in factory";
        return nullptr;  // the destructor calls ModuleExit and unloads
    }
    return module;
}

void* PluginModule::Symbol(const char* name) const {
    return _handle ? dlsym(_handle, name) : nullptr;
}

PluginModule::~PluginModule() {
    if (_factory) _factory->release();
    if (_handle) {
        if (auto exit = reinterpret_cast<ModuleExitFunction>(dlsym(_handle, "ModuleExit"))) exit();
        dlclose(_handle);
    }
}

}  // namespace tesselor::tools
