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
