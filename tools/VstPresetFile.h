#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tesselor::tools {

// The VST 3 preset file (.vstpreset) that DAWs save and load. All numbers little-endian:
//
//   0  'VST3', format version (int32, 1), class ID as 32 ASCII hex digits, offset of the chunk
//      list (int64)
//   48 the chunks' data, one after another
//      'List', entry count (int32), then per entry: chunk id (4 chars), offset (int64) and size
//      (int64) of its data, counted from the start of the file
//
// 'Comp' holds the component state and 'Cont' the controller state; other chunks ('Info' with
// XML metadata, 'Prog' with program data) are skipped on reading and not written.
struct VstPresetFile {
    using ClassId = std::array<std::uint8_t, 16>;  // the bytes of a TUID, in memory order

    ClassId classId = {};
    std::vector<std::uint8_t> componentState;
    std::vector<std::uint8_t> controllerState;
    bool hasComponentState = false;
    bool hasControllerState = false;

    // False with `error` set (a short reason, no file name) when `bytes` are no preset or name
    // chunks outside themselves.
    static bool Parse(const std::vector<std::uint8_t>& bytes, VstPresetFile* preset,
                      std::string* error);
    // Always writes both 'Comp' and 'Cont', empty where there is no state: hosts that load through
    // the SDK's preset code refuse a preset without a 'Comp' chunk.
    std::vector<std::uint8_t> Serialize() const;

    // The 32 upper-case hex digits a preset's header holds for `id`: its bytes in memory order.
    static std::string ClassIdText(const ClassId& id);
    // Whether the preset is for class `id`. Hosts on Windows write the same class's ID with its
    // first three fields (4, 2 and 2 bytes) as little-endian words, the way that system prints a
    // GUID; such presets are for the class too.
    bool IsFor(const ClassId& id) const;
};

}  // namespace tesselor::tools
