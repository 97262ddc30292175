// tesselor: runs audio files through a VST 3 plug-in from the command line, loading it through
// its exported factory the way a DAW does, and plots its measured response. A command is a row in
// kCommands and a <Name>Command.cpp that defines its Run function.
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "tools/CliSupport.h"

namespace tesselor::tools {

namespace {

const CliCommand kCommands[] = {
    {"info", "info [BUNDLE] [--json]", "", RunInfo},
    {"render", "render IN OUT [OPTIONS]\nrender IN... --out-dir DIR [OPTIONS]",
     "  --plugin BUNDLE               the plug-in to load\n"
     "  --set NAME=VALUE              a parameter, in the units 'info' shows (repeatable)\n"
     "  --state FILE                  a state saved with --save-state, applied first\n"
     "  --preset FILE.vstpreset       a VST 3 preset, as DAWs save them, applied first\n"
     "  --save-state FILE             the plug-in's state after the run\n"
     "  --save-preset FILE.vstpreset  the same as a VST 3 preset that DAWs load\n"
     "  --block N                     frames per process call, 1..65536 (512)\n"
     "  --bypass                      engage the host bypass\n"
     "  --out-dir DIR                 one output per input, same name and format, in DIR\n",
     RunRender},
    {"plot", "plot OUT.png [OPTIONS]",
     "  --plugin BUNDLE               the plug-in to load\n"
     "  --set, --state, --preset, --bypass   the settings, as for render\n"
     "  --rate HZ                     sample rate of the measurement, 40..768000 (48000)\n"
     "  --csv FILE                    the curve as text: frequency_hz,magnitude_db per line\n",
     RunPlot},
    {"snapshot", "snapshot OUT.png [OPTIONS]",
     "  --plugin BUNDLE, --set NAME=VALUE, --state FILE, --preset FILE.vstpreset\n"
     "                                as render's: the panel shows these settings\n",
     RunSnapshot},
};

}  // namespace

std::string Usage() {
    std::string text;
    for (const CliCommand& command : kCommands) {
        const char* line = command.usage;
        while (*line) {
            const char* end = std::strchr(line, '\n');
            const std::size_t length =
                end ? static_cast<std::size_t>(end - line) : std::strlen(line);
            text += text.empty() ? "usage: tesselor " : "       tesselor ";
            text.append(line, length);
            text += '\n';
            line += length + (end ? 1 : 0);
        }
    }
    for (const CliCommand& command : kCommands) {
        if (*command.details) text += std::string(command.name) + " options:\n" + command.details;
    }
    text +=
        "BUNDLE defaults to $TESSELOR_PLUGIN, then the build's Tesselor.vst3, then "
        "~/.vst3/Tesselor.vst3.\n";
    return text;
}

}  // namespace tesselor::tools

int main(int argc, char** argv) {
    using namespace tesselor::tools;
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::fputs(Usage().c_str(), argc < 2 ? stderr : stdout);
        return argc < 2 ? 1 : 0;
    }
    const std::string name = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        for (const CliCommand& command : kCommands) {
            if (name == command.name) return command.run(args);
        }
        return Fail("unknown command '" + name + "'\n" + Usage());
    } catch (const std::bad_alloc&) {
        return Fail("out of memory");
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
