#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tesselor::tools {

// One command of the `tesselor` tool. `args` are the words after the command's name; the return
// value is the process's exit status. Each command lives in its own <Name>Command.cpp and is
// listed in TesselorCli.cpp.
struct CliCommand {
    const char* name;
    const char* usage;    // the lines after "tesselor ", one form per line
    const char* details;  // option help, indented, may be empty
    int (*run)(const std::vector<std::string>& args);
};

int RunInfo(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);
int RunSnapshot(const std::vector<std::string>& args);
int RunPlot(const std::vector<std::string>& args);

// The tool's whole usage text, every command's forms and details (defined with the table).
std::string Usage();

// One option of a command: `--name VALUE` stored in `value` or appended to `values`, or the flag
// `--name` setting `flag`.
struct CliOption {
    const char* name;
    std::string* value = nullptr;
    std::vector<std::string>* values = nullptr;
    bool* flag = nullptr;
};

// Sorts a command's words into `options` and the other words (`positional`, in order). False with
// `error` set for an unknown option or one whose value is missing.
bool ParseCliOptions(const std::vector<std::string>& args, const std::vector<CliOption>& options,
                     std::vector<std::string>* positional, std::string* error);

// The options by which every command that loads the plug-in takes its settings (PluginSettings).
struct SettingsOptions {
    std::string bundle;
    std::string statePath;
    std::string presetPath;
    std::vector<std::string> sets;
    bool bypass = false;

    // --plugin, --state, --preset, --set, and --bypass when `withBypass`.
    std::vector<CliOption> Options(bool withBypass = true);
};

// Prints "tesselor: `message`" to stderr; returns the failing exit status, 1.
int Fail(const std::string& message);

// $TESSELOR_PLUGIN, then the build's Tesselor.vst3, then ~/.vst3/Tesselor.vst3.
std::string DefaultBundle();

std::string Lower(std::string text);

// The whole text as a finite number, or false.
bool ParseNumber(const std::string& text, double* value);

// The file's bytes; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes);

// The path with symbolic links, "." and ".." resolved as far as it exists, so that two spellings
// of one file compare equal; `path` itself when even that fails.
std::string CanonicalPath(const std::string& path);

}  // namespace tesselor::tools
