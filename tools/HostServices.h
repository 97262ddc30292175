#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace tesselor::tools {

// What a host hands to plug-ins. These objects live on the host's stack or in its members: their
// reference counting is a no-op, and the owner keeps them alive longer than any plug-in call.

class HostApplication : public Steinberg::Vst::IHostApplication {
public:
    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID iid,
                                                 void** obj) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

// The controller's line to the host: every edit the plug-in reports, as text lines in the order
// they came, e.g. "begin 13", "perform 13 0.000000", "end 13", "restart 1".
class EditRecorder : public Steinberg::Vst::IComponentHandler {
public:
    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue normal) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

    const std::vector<std::string>& Edits() const { return _edits; }

private:
    std::vector<std::string> _edits;
};

// The points of one parameter for one block, with a fixed capacity so that filling it allocates
// nothing once constructed.
class ParamQueue : public Steinberg::Vst::IParamValueQueue {
public:
    static constexpr int kCapacity = 64;  // points per block

    void Reset(Steinberg::Vst::ParamID id) {
        _id = id;
        _count = 0;
    }

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return _id; }
    Steinberg::int32 PLUGIN_API getPointCount() override { return _count; }
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& offset,
                                           Steinberg::Vst::ParamValue& value) override;
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 offset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    Steinberg::Vst::ParamID _id = 0;
    Steinberg::int32 _count = 0;
    Steinberg::int32 _offsets[kCapacity] = {};  // frames into the block
    Steinberg::Vst::ParamValue _values[kCapacity] = {};
};

// The parameter changes of one block: at most kCapacity parameters.
class ParamChanges : public Steinberg::Vst::IParameterChanges {
public:
    static constexpr int kCapacity = 64;

    void Clear() { _count = 0; }
    // Appends a point for `id`, in the queue already holding that id or a new one. False when full.
    bool Add(Steinberg::Vst::ParamID id, double normal, int offset = 0);

    Steinberg::int32 PLUGIN_API getParameterCount() override { return _count; }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    ParamQueue _queues[kCapacity];
    Steinberg::int32 _count = 0;
};

// A byte stream over a vector, for plug-in state. Reads past the end deliver what is there.
class ByteStream : public Steinberg::IBStream {
public:
    ByteStream() = default;
    explicit ByteStream(std::vector<std::uint8_t> bytes) : _bytes(std::move(bytes)) {}

    const std::vector<std::uint8_t>& Bytes() const { return _bytes; }

    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 bytes,
                                       Steinberg::int32* done) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 bytes,
                                        Steinberg::int32* done) override;
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    std::vector<std::uint8_t> _bytes;
    std::size_t _cursor = 0;
};

// A plug-in's text (a name, title, unit or value field) as the host prints it: each unit's low
// byte, up to the first NUL or the field's 128 units.
std::string PluginText(const Steinberg::Vst::TChar* text);
// The other way: `text` into a 128-unit field, one unit per byte, cut at 127 and terminated.
void SetPluginText(Steinberg::Vst::String128 field, const std::string& text);

}  // namespace tesselor::tools
