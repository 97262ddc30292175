// PluginModule on Windows: the DLL is loaded and entered as Windows hosts do it.
#include <windows.h>

#include <filesystem>

#include "tools/PluginModule.h"

namespace tesselor::tools {

namespace {

using GetFactoryFunction = Steinberg::IPluginFactory*(PLUGIN_API*)();
using EntryFunction = bool (*)();

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string LastErrorText() {
    const DWORD code = GetLastError();
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : message;
}

template <class Function>
Function Find(void* handle, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name)));
}

}  // namespace

std::string PluginModule::SharedObjectPath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = PathOf(path);
    if (!fs::is_directory(p, ec)) return path;
    if (!p.has_filename()) p = p.parent_path();  // "X.vst3/"
    const fs::path inside = p / "Contents" / "x86_64-win" / p.filename();
    const std::u8string text = inside.u8string();
    return std::string(text.begin(), text.end());
}

std::unique_ptr<PluginModule> PluginModule::Open(const std::string& path, std::string* error) {
    std::unique_ptr<PluginModule> module(new PluginModule);
    module->_path = SharedObjectPath(path);
    std::error_code ec;
    const std::filesystem::path file = PathOf(module->_path);
    if (!std::filesystem::is_regular_file(file, ec)) {
        if (error) *error = "no plug-in at " + module->_path;
        return nullptr;
    }
    // The module's own folder first when it loads DLLs of its own, as hosts load plug-ins.
    module->_handle = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module->_handle) {
        if (error) *error = "cannot load " + module->_path + ": " + LastErrorText();
        return nullptr;
    }
    if (auto init = Find<EntryFunction>(module->_handle, "InitDll"); init && !init()) {
        if (error) *error = module->_path + ": InitDll failed";
        FreeLibrary(static_cast<HMODULE>(module->_handle));
        module->_handle = nullptr;
        return nullptr;
    }
    auto getFactory = Find<GetFactoryFunction>(module->_handle, "GetPluginFactory");
    module->_factory = getFactory ? getFactory() : nullptr;
    if (!module->_factory) {
        if (error) *error = module->_path + ": no plug-in factory";
        return nullptr;  // the destructor calls ExitDll and unloads
    }
    return module;
}

void* PluginModule::Symbol(const char* name) const {
    return _handle ? Find<void*>(_handle, name) : nullptr;
}

PluginModule::~PluginModule() {
    if (_factory) _factory->release();
    if (_handle) {
        if (auto exit = Find<EntryFunction>(_handle, "ExitDll")) exit();
        FreeLibrary(static_cast<HMODULE>(_handle));
    }
}

}  // namespace tesselor::tools
