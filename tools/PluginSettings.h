#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/HostServices.h"
#include "tools/HostedPlugin.h"
#include "tools/VstPresetFile.h"

namespace tesselor::tools {

// What `render` sets in every plug-in instance it creates, in this order: a whole state (a state
// file the plug-in saved, or a .vstpreset), then named parameter values, then the host bypass.
class PluginSettings {
public:
    // `statePath` and `presetPath` may be empty; giving both is refused by Read().
    PluginSettings(std::string statePath, std::string presetPath, std::vector<std::string> sets,
                   bool bypass);

    // Reads the state or preset file. False with `error` set when it cannot be read or is no
    // preset.
    bool Read(std::string* error);
    // Applies everything to `plugin` (created, not yet prepared) and fills `firstBlock` with the
    // changes its processor must see at the start of the first block. False with `error` set for a
    // preset of another plug-in, a state the plug-in refuses, or a name or value it does not know.
    bool Apply(HostedPlugin& plugin, ParamChanges* firstBlock, std::string* error) const;

private:
    std::string _statePath;
    std::string _presetPath;
    std::vector<std::string> _sets;  // NAME=VALUE in the units `tesselor info` shows
    bool _bypass = false;
    std::vector<std::uint8_t> _state;
    VstPresetFile _preset;
};

}  // namespace tesselor::tools
