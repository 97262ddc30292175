#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "pluginterfaces/base/ipluginbase.h"

namespace tesselor::vst3 {

// Makes one new object of a registered class and returns it with one reference, or null. The
// context is the host context given to the factory, if any; plug-ins may ignore it.
using CreateInstanceFunction = Steinberg::FUnknown* (*)(void* context);

class FactorySlot;

// The module's class factory: answers the three generations of factory queries from the one
// factory description and the registered class descriptions, and creates instances by class ID.
// Starts with one reference; the last release destroys it (and clears its FactorySlot).
//
// Threads: hosts may query and create from any thread; registration happens before the factory is
// handed out.
class PluginFactory : public Steinberg::IPluginFactory3 {
public:
    explicit PluginFactory(const Steinberg::PFactoryInfo& info);
    virtual ~PluginFactory();
    PluginFactory(const PluginFactory&) = delete;
    PluginFactory& operator=(const PluginFactory&) = delete;

    // False when the class ID is already registered or the list cannot grow.
    bool RegisterClass(const Steinberg::PClassInfo2& info, CreateInstanceFunction create);
    // Adds a reference unless the count has already reached zero (the factory is going away).
    bool TryAddRef();
    Steinberg::uint32 RefCount() const { return _refCount.load(); }

    // FUnknown
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid,
                                                 void** obj) SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API addRef() SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API release() SMTG_OVERRIDE;

    // IPluginFactory
    Steinberg::tresult PLUGIN_API getFactoryInfo(Steinberg::PFactoryInfo* info) SMTG_OVERRIDE;
    Steinberg::int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getClassInfo(Steinberg::int32 index,
                                               Steinberg::PClassInfo* info) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::FIDString cid, Steinberg::FIDString iid,
                                                 void** obj) SMTG_OVERRIDE;
    // IPluginFactory2
    Steinberg::tresult PLUGIN_API getClassInfo2(Steinberg::int32 index,
                                                Steinberg::PClassInfo2* info) SMTG_OVERRIDE;
    // IPluginFactory3: texts widened byte by byte (the descriptions are ASCII).
    Steinberg::tresult PLUGIN_API getClassInfoUnicode(Steinberg::int32 index,
                                                      Steinberg::PClassInfoW* info) SMTG_OVERRIDE;
    // Keeps the host context (one reference) and hands it to creation functions.
    Steinberg::tresult PLUGIN_API setHostContext(Steinberg::FUnknown* context) SMTG_OVERRIDE;

private:
    friend class FactorySlot;

    struct ClassEntry {
        Steinberg::PClassInfo2 info;
        CreateInstanceFunction create = nullptr;
    };
    const ClassEntry* Entry(Steinberg::int32 index) const;
    const ClassEntry* Find(const char* cid) const;  // by class ID; null when not registered

    std::atomic<Steinberg::uint32> _refCount{1};
    Steinberg::PFactoryInfo _factoryInfo;
    std::vector<ClassEntry> _classes;
    Steinberg::FUnknown* _hostContext = nullptr;  // one reference held while set
    FactorySlot* _slot = nullptr;                 // told when this factory is destroyed
};

// The process-wide factory of a module: built on the first request, shared by every later request
// (each adding a reference), forgotten when the host releases the last reference so that a later
// request builds a new one.
class FactorySlot {
public:
    using Builder = PluginFactory* (*)();

    // Returns the factory with one more reference for the caller, or null when building failed.
    Steinberg::IPluginFactory* Acquire(Builder build);

private:
    friend class PluginFactory;
    void Forget(PluginFactory* factory);

    std::mutex _mutex;
    PluginFactory* _factory = nullptr;
};

}  // namespace tesselor::vst3
