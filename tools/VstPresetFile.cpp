#include "tools/VstPresetFile.h"

#include <algorithm>
#include <cstring>

namespace tesselor::tools {

namespace {

constexpr char kHeaderId[4] = {'V', 'S', 'T', '3'};
constexpr char kListId[4] = {'L', 'i', 's', 't'};
constexpr char kComponentId[4] = {'C', 'o', 'm', 'p'};
constexpr char kControllerId[4] = {'C', 'o', 'n', 't'};
constexpr std::int32_t kFormatVersion = 1;
constexpr std::size_t kClassIdDigits = 32;
constexpr std::size_t kHeaderBytes = 4 + 4 + kClassIdDigits + 8;
constexpr std::size_t kEntryBytes = 4 + 8 + 8;

std::uint64_t ReadLittle(const std::uint8_t* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

void AppendLittle(std::vector<std::uint8_t>* out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

int HexDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string VstPresetFile::ClassIdText(const ClassId& id) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t byte : id) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

bool VstPresetFile::IsFor(const ClassId& id) const {
    ClassId windowsOrder = id;
    std::reverse(windowsOrder.begin(), windowsOrder.begin() + 4);
    std::reverse(windowsOrder.begin() + 4, windowsOrder.begin() + 6);
    std::reverse(windowsOrder.begin() + 6, windowsOrder.begin() + 8);
    return classId == id || classId == windowsOrder;
}

bool VstPresetFile::Parse(const std::vector<std::uint8_t>& bytes, VstPresetFile* preset,
                          std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();
    if (size < kHeaderBytes || std::memcmp(data, kHeaderId, 4) != 0)
        return fail("not a VST 3 preset file");
    // The version is not checked: the layout has not changed since version 1, and hosts read
    // later numbers the same way.
    VstPresetFile result;
    for (std::size_t i = 0; i < result.classId.size(); ++i) {
        const int high = HexDigit(data[8 + 2 * i]);
        const int low = HexDigit(data[8 + 2 * i + 1]);
        if (high < 0 || low < 0) return fail("damaged VST 3 preset: the class ID is not hex");
        result.classId[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    const std::uint64_t listOffset = ReadLittle(data + 8 + kClassIdDigits, 8);
    if (listOffset < kHeaderBytes || listOffset > size || size - listOffset < 8 ||
        std::memcmp(data + listOffset, kListId, 4) != 0)
        return fail("damaged VST 3 preset: no chunk list");
    const std::uint64_t count = ReadLittle(data + listOffset + 4, 4);
    if (count > (size - listOffset - 8) / kEntryBytes)
        return fail("damaged VST 3 preset: the chunk list is cut short");
    for (std::uint64_t e = 0; e < count; ++e) {
        const std::uint8_t* entry = data + listOffset + 8 + e * kEntryBytes;
        const std::uint64_t offset = ReadLittle(entry + 4, 8);
        const std::uint64_t length = ReadLittle(entry + 12, 8);
        if (offset > size || length > size - offset)
            return fail("damaged VST 3 preset: a chunk lies outside the file");
        // The first of two chunks with one id counts, as in hosts that look chunks up by id.
        std::vector<std::uint8_t>* state = nullptr;
        if (std::memcmp(entry, kComponentId, 4) == 0 && !result.hasComponentState) {
            state = &result.componentState;
            result.hasComponentState = true;
        } else if (std::memcmp(entry, kControllerId, 4) == 0 && !result.hasControllerState) {
            state = &result.controllerState;
            result.hasControllerState = true;
        }
        if (state) state->assign(data + offset, data + offset + length);
    }
    if (!result.hasComponentState && !result.hasControllerState)
        return fail("the VST 3 preset holds no plug-in state");
    *preset = std::move(result);
    return true;
}

std::vector<std::uint8_t> VstPresetFile::Serialize() const {
    std::vector<std::uint8_t> out(kHeaderId, kHeaderId + 4);
    AppendLittle(&out, kFormatVersion, 4);
    const std::string id = ClassIdText(classId);
    out.insert(out.end(), id.begin(), id.end());
    const std::size_t listOffsetAt = out.size();
    AppendLittle(&out, 0, 8);

    const std::uint64_t componentAt = out.size();
    out.insert(out.end(), componentState.begin(), componentState.end());
    const std::uint64_t controllerAt = out.size();
    out.insert(out.end(), controllerState.begin(), controllerState.end());

    const std::uint64_t listAt = out.size();
    for (int i = 0; i < 8; ++i)
        out[listOffsetAt + i] = static_cast<std::uint8_t>(listAt >> (8 * i));
    out.insert(out.end(), kListId, kListId + 4);
    AppendLittle(&out, 2, 4);
    out.insert(out.end(), kComponentId, kComponentId + 4);
    AppendLittle(&out, componentAt, 8);
    AppendLittle(&out, componentState.size(), 8);
    out.insert(out.end(), kControllerId, kControllerId + 4);
    AppendLittle(&out, controllerAt, 8);
    AppendLittle(&out, controllerState.size(), 8);
    return out;
}

}  // namespace tesselor::tools
