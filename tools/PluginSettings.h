#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/HostServices.h"
#include "tools/HostedPlugin.h"

namespace tesselor::tools {

// What `render` sets in every plug-in instance it creates, in this order: a whole state (a state
// file the plug-in saved), then named parameter values, then the host bypass.
class PluginSettings {
public:
    // `statePath` may be empty.
    PluginSettings(std::string statePath, std::vector<std::string> sets, bool bypass);

    // Reads the state file. False with `error` set when it cannot be read.
    bool Read(std::string* error);
    // Applies everything to `plugin` (created, not yet prepared) and fills `firstBlock` with the
    // changes its processor must see at the start of the first block. False with `error` set for a
    // state the plug-in refuses, or a name or value it does not know.
    bool Apply(HostedPlugin& plugin, ParamChanges* firstBlock, std::string* error) const;

private:
    std::string _statePath;
    std::vector<std::string> _sets;  // NAME=VALUE in the units `tesselor info` shows
    bool _bypass = false;
    std::vector<std::uint8_t> _state;
};

}  // namespace tesselor::tools
