#include "vst3/PluginFactory.h"

#include <cstring>

#include "vst3/Vst3Text.h"

namespace tesselor::vst3 {

using namespace Steinberg;

namespace {

// What the three generations of class records share: identifier, cardinality and category.
template <class Info>
void CopyIdentity(const PClassInfo2& from, Info* to) {
    *to = {};
    std::memcpy(to->cid, from.cid, sizeof(TUID));
    to->cardinality = from.cardinality;
    std::memcpy(to->category, from.category, sizeof to->category);
}

}  // namespace

PluginFactory::PluginFactory(const PFactoryInfo& info) : _factoryInfo(info) {
    _factoryInfo.vendor[sizeof _factoryInfo.vendor - 1] = 0;
    _factoryInfo.url[sizeof _factoryInfo.url - 1] = 0;
    _factoryInfo.email[sizeof _factoryInfo.email - 1] = 0;
}

PluginFactory::~PluginFactory() {
    if (_hostContext) _hostContext->release();
    if (_slot) _slot->Forget(this);
}

bool PluginFactory::RegisterClass(const PClassInfo2& info, CreateInstanceFunction create) {
    if (!create) return false;
    if (Find(info.cid)) return false;
    ClassEntry entry{info, create};
    // Hosts read these as C strings: a text as long as its field loses its last byte to the NUL.
    entry.info.category[sizeof entry.info.category - 1] = 0;
    entry.info.name[sizeof entry.info.name - 1] = 0;
    entry.info.subCategories[sizeof entry.info.subCategories - 1] = 0;
    entry.info.vendor[sizeof entry.info.vendor - 1] = 0;
    entry.info.version[sizeof entry.info.version - 1] = 0;
    entry.info.sdkVersion[sizeof entry.info.sdkVersion - 1] = 0;
    try {
        _classes.push_back(entry);
    } catch (...) {
        return false;
    }
    return true;
}

bool PluginFactory::TryAddRef() {
    uint32 count = _refCount.load();
    while (count != 0) {
        if (_refCount.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
}

tresult PLUGIN_API PluginFactory::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!iid) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, IPluginFactory::iid) ||
        FUnknownPrivate::iidEqual(iid, IPluginFactory2::iid) ||
        FUnknownPrivate::iidEqual(iid, IPluginFactory3::iid)) {
        addRef();
        *obj = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    return kNoInterface;
}

uint32 PLUGIN_API PluginFactory::addRef() { return ++_refCount; }

uint32 PLUGIN_API PluginFactory::release() {
    const uint32 count = --_refCount;
    if (count == 0) delete this;
    return count;
}

tresult PLUGIN_API PluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (!info) return kInvalidArgument;
    *info = _factoryInfo;
    return kResultOk;
}

int32 PLUGIN_API PluginFactory::countClasses() { return static_cast<int32>(_classes.size()); }

const PluginFactory::ClassEntry* PluginFactory::Entry(int32 index) const {
    if (index < 0 || index >= static_cast<int32>(_classes.size())) return nullptr;
    return &_classes[index];
}

const PluginFactory::ClassEntry* PluginFactory::Find(const char* cid) const {
    for (const ClassEntry& e : _classes) {
        if (std::memcmp(e.info.cid, cid, sizeof(TUID)) == 0) return &e;
    }
    return nullptr;
}

tresult PLUGIN_API PluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    const ClassEntry* e = Entry(index);
    if (!info || !e) return kInvalidArgument;
    CopyIdentity(e->info, info);
    std::memcpy(info->name, e->info.name, sizeof info->name);
    return kResultOk;
}

tresult PLUGIN_API PluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    const ClassEntry* e = Entry(index);
    if (!info || !e) return kInvalidArgument;
    *info = e->info;
    return kResultOk;
}

tresult PLUGIN_API PluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    const ClassEntry* e = Entry(index);
    if (!info || !e) return kInvalidArgument;
    CopyIdentity(e->info, info);
    WidenText(info->name, e->info.name);
    info->classFlags = e->info.classFlags;
    std::memcpy(info->subCategories, e->info.subCategories, sizeof info->subCategories);
    WidenText(info->vendor, e->info.vendor);
    WidenText(info->version, e->info.version);
    WidenText(info->sdkVersion, e->info.sdkVersion);
    return kResultOk;
}

tresult PLUGIN_API PluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !iid) return kInvalidArgument;
    const ClassEntry* entry = Find(cid);
    if (!entry) return kNoInterface;
    FUnknown* instance = nullptr;
    try {
        instance = entry->create(_hostContext);
    } catch (...) {
        instance = nullptr;
    }
    if (!instance) return kOutOfMemory;
    // The query adds the caller's reference; the creation reference goes.
    const tresult result = instance->queryInterface(iid, obj);
    instance->release();
    if (result != kResultOk) *obj = nullptr;
    return result == kResultOk ? kResultOk : kNoInterface;
}

tresult PLUGIN_API PluginFactory::setHostContext(FUnknown* context) {
    if (context) context->addRef();
    if (_hostContext) _hostContext->release();
    _hostContext = context;
    return kResultOk;
}

IPluginFactory* FactorySlot::Acquire(Builder build) {
    std::lock_guard lock(_mutex);
    if (_factory && _factory->TryAddRef()) return _factory;
    // Either none yet, or the last one is being destroyed on another thread: build afresh.
    PluginFactory* factory = build ? build() : nullptr;
    if (!factory) return nullptr;
    factory->_slot = this;
    _factory = factory;
    return factory;
}

void FactorySlot::Forget(PluginFactory* factory) {
    std::lock_guard lock(_mutex);
    if (_factory == factory) _factory = nullptr;
}

}  // namespace tesselor::vst3
