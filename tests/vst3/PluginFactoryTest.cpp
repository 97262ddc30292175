// The class factory on its own, without a module around it.
#include "vst3/PluginFactory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "public.sdk/source/vst/vstcomponentbase.h"

namespace tesselor::vst3 {
namespace {

using namespace Steinberg;

constexpr TUID kClassA = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

int gCreated = 0;
FUnknown* CreateObject(void*) {
    ++gCreated;
    return static_cast<IPluginBase*>(new Vst::ComponentBase());
}

PluginFactory* MakeFactory() {
    PFactoryInfo info("Vendor", "https://vendor.invalid/", "mail@vendor.invalid",
                      PFactoryInfo::kUnicode);
    auto* factory = new PluginFactory(info);
    // Texts longer than their fields are cut and stay terminated.
    PClassInfo2 cls(
        kClassA, PClassInfo::kManyInstances, "Audio Module Class",
        "A class name that is much longer than the sixty-four bytes its field can hold, surely", 2,
        "Fx|EQ", "", "2.0.0", "VST 3.6.12");
    EXPECT_TRUE(factory->RegisterClass(cls, CreateObject));
    EXPECT_FALSE(factory->RegisterClass(cls, CreateObject));  // the same ID twice
    return factory;
}

TEST(PluginFactory, AnswersAllThreeGenerationsOfClassQueries) {
    PluginFactory* factory = MakeFactory();
    PClassInfo info1;
    PClassInfo2 info2;
    PClassInfoW infoW;
    ASSERT_EQ(factory->getClassInfo(0, &info1), kResultOk);
    ASSERT_EQ(factory->getClassInfo2(0, &info2), kResultOk);
    ASSERT_EQ(factory->getClassInfoUnicode(0, &infoW), kResultOk);
    EXPECT_EQ(std::memcmp(info1.cid, kClassA, 16), 0);
    EXPECT_EQ(std::memcmp(infoW.cid, kClassA, 16), 0);
    EXPECT_EQ(std::strlen(info2.name), 63u);
    EXPECT_STREQ(info2.subCategories, "Fx|EQ");
    EXPECT_EQ(infoW.classFlags, 2u);
    EXPECT_EQ(infoW.name[63], 0);
    EXPECT_EQ(infoW.version[0], u'2');
    EXPECT_STREQ(infoW.category, "Audio Module Class");
    for (int32 bad : {-1, 1}) {
        EXPECT_EQ(factory->getClassInfo(bad, &info1), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfo2(bad, &info2), kInvalidArgument);
    }
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);
    factory->release();
}

TEST(PluginFactory, CreatesRegisteredClassesOnlyAndHandsOverOneReference) {
    PluginFactory* factory = MakeFactory();
    gCreated = 0;
    IPluginBase* object = nullptr;
    ASSERT_EQ(factory->createInstance(kClassA, IPluginBase::iid, reinterpret_cast<void**>(&object)),
              kResultOk);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->addRef(), 2u);  // the creation reference went; the caller holds one
    object->release();
    object->release();

    TUID other = {};
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(other, IPluginBase::iid, &none), kNoInterface);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(factory->createInstance(kClassA, IPluginFactory::iid, &none), kNoInterface);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(factory->createInstance(kClassA, IPluginBase::iid, nullptr), kInvalidArgument);
    EXPECT_EQ(gCreated, 2);  // the refused interface still cost an instance, released at once
    factory->release();
}

TEST(FactorySlot, SharesOneFactoryUntilTheLastReleaseThenBuildsAnew) {
    FactorySlot slot;
    IPluginFactory* first = slot.Acquire(MakeFactory);
    IPluginFactory* second = slot.Acquire(MakeFactory);
    EXPECT_EQ(first, second);
    EXPECT_EQ(static_cast<PluginFactory*>(first)->RefCount(), 2u);
    IPluginFactory3* as3 = nullptr;
    ASSERT_EQ(first->queryInterface(IPluginFactory3::iid, reinterpret_cast<void**>(&as3)),
              kResultOk);
    as3->release();
    second->release();
    first->release();  // destroyed: the slot forgets it
    IPluginFactory* third = slot.Acquire(MakeFactory);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(static_cast<PluginFactory*>(third)->RefCount(), 1u);
    third->release();
    EXPECT_EQ(slot.Acquire([]() -> PluginFactory* { return nullptr; }), nullptr);
}

}  // namespace
}  // namespace tesselor::vst3
