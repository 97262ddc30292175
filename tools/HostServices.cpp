#include "tools/HostServices.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tesselor::tools {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {
template <class Interface>
tresult Answer(FUnknown* self, Interface* as, const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Interface::iid)) {
        *obj = as;
        self->addRef();
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}
}  // namespace

tresult PLUGIN_API HostApplication::getName(String128 name) {
    if (!name) return kInvalidArgument;
    SetPluginText(name, "Tesselor command-line host");
    return kResultOk;
}

tresult PLUGIN_API HostApplication::createInstance(TUID, TUID, void** obj) {
    if (obj) *obj = nullptr;
    return kResultFalse;  // no host messages or attribute lists: nothing here uses them
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID iid, void** obj) {
    return Answer<IHostApplication>(this, this, iid, obj);
}

tresult PLUGIN_API EditRecorder::beginEdit(ParamID id) {
    _edits.push_back("begin " + std::to_string(id));
    return kResultOk;
}

tresult PLUGIN_API EditRecorder::performEdit(ParamID id, ParamValue normal) {
    char value[32];
    std::snprintf(value, sizeof value, "%.6f", normal);
    _edits.push_back("perform " + std::to_string(id) + " " + value);
    return kResultOk;
}

tresult PLUGIN_API EditRecorder::endEdit(ParamID id) {
    _edits.push_back("end " + std::to_string(id));
    return kResultOk;
}

tresult PLUGIN_API EditRecorder::restartComponent(int32 flags) {
    _edits.push_back("restart " + std::to_string(flags));
    return kResultOk;
}

tresult PLUGIN_API EditRecorder::queryInterface(const TUID iid, void** obj) {
    return Answer<IComponentHandler>(this, this, iid, obj);
}

tresult PLUGIN_API ParamQueue::getPoint(int32 index, int32& offset, ParamValue& value) {
    if (index < 0 || index >= _count) return kResultFalse;
    offset = _offsets[index];
    value = _values[index];
    return kResultOk;
}

tresult PLUGIN_API ParamQueue::addPoint(int32 offset, ParamValue value, int32& index) {
    if (_count >= kCapacity) return kResultFalse;
    _offsets[_count] = offset;
    _values[_count] = value;
    index = _count++;
    return kResultOk;
}

tresult PLUGIN_API ParamQueue::queryInterface(const TUID iid, void** obj) {
    return Answer<IParamValueQueue>(this, this, iid, obj);
}

bool ParamChanges::Add(ParamID id, double normal, int offset) {
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(id, index);
    int32 point = 0;
    return queue && queue->addPoint(offset, normal, point) == kResultOk;
}

IParamValueQueue* PLUGIN_API ParamChanges::getParameterData(int32 index) {
    return index >= 0 && index < _count ? &_queues[index] : nullptr;
}

IParamValueQueue* PLUGIN_API ParamChanges::addParameterData(const ParamID& id, int32& index) {
    for (int32 i = 0; i < _count; ++i) {
        if (_queues[i].getParameterId() == id) {
            index = i;
            return &_queues[i];
        }
    }
    if (_count >= kCapacity) return nullptr;
    _queues[_count].Reset(id);
    index = _count;
    return &_queues[_count++];
}

tresult PLUGIN_API ParamChanges::queryInterface(const TUID iid, void** obj) {
    return Answer<IParameterChanges>(this, this, iid, obj);
}

tresult PLUGIN_API ByteStream::read(void* buffer, int32 bytes, int32* done) {
    if (done) *done = 0;
    if (!buffer || bytes < 0) return kInvalidArgument;
    const std::size_t n =
        std::min<std::size_t>(bytes, _bytes.size() - std::min(_cursor, _bytes.size()));
    if (n > 0) std::memcpy(buffer, _bytes.data() + _cursor, n);
    _cursor += n;
    if (done) *done = static_cast<int32>(n);
    // Asking for bytes that are not there fails, as file streams do at their end.
    return n == 0 && bytes > 0 ? kResultFalse : kResultOk;
}

tresult PLUGIN_API ByteStream::write(void* buffer, int32 bytes, int32* done) {
    if (done) *done = 0;
    if (!buffer || bytes < 0) return kInvalidArgument;
    const auto* from = static_cast<const std::uint8_t*>(buffer);
    if (_cursor > _bytes.size()) _bytes.resize(_cursor);
    const std::size_t overlap = std::min<std::size_t>(bytes, _bytes.size() - _cursor);
    if (overlap > 0) std::memcpy(_bytes.data() + _cursor, from, overlap);
    _bytes.insert(_bytes.end(), from + overlap, from + bytes);
    _cursor += bytes;
    if (done) *done = bytes;
    return kResultOk;
}

tresult PLUGIN_API ByteStream::seek(int64 pos, int32 mode, int64* result) {
    int64 base = 0;
    if (mode == kIBSeekCur) base = static_cast<int64>(_cursor);
    if (mode == kIBSeekEnd) base = static_cast<int64>(_bytes.size());
    if (base + pos < 0) return kInvalidArgument;
    _cursor = static_cast<std::size_t>(base + pos);
    if (result) *result = static_cast<int64>(_cursor);
    return kResultOk;
}

tresult PLUGIN_API ByteStream::tell(int64* pos) {
    if (!pos) return kInvalidArgument;
    *pos = static_cast<int64>(_cursor);
    return kResultOk;
}

tresult PLUGIN_API ByteStream::queryInterface(const TUID iid, void** obj) {
    return Answer<IBStream>(this, this, iid, obj);
}

std::string PluginText(const Steinberg::Vst::TChar* text) {
    std::string s;
    for (int k = 0; text && k < 128 && text[k]; ++k) s += static_cast<char>(text[k] & 0xFF);
    return s;
}

void SetPluginText(Steinberg::Vst::String128 field, const std::string& text) {
    std::size_t i = 0;
    for (; i < text.size() && i < 127; ++i)
        field[i] = static_cast<Steinberg::char16>(static_cast<unsigned char>(text[i]));
    field[i] = 0;
}

}  // namespace tesselor::tools
