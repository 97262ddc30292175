#include "tools/CliSupport.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tesselor::tools {

bool ParseCliOptions(const std::vector<std::string>& args, const std::vector<CliOption>& options,
                     std::vector<std::string>* positional, std::string* error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const CliOption* option = nullptr;
        for (const CliOption& o : options) {
            if (arg == o.name) option = &o;
        }
        if (!option) {
            if (arg.size() > 1 && arg[0] == '-') {
                *error = "unknown option '" + arg + "' (see 'tesselor --help')";
                return false;
            }
            positional->push_back(arg);
        } else if (option->flag) {
            *option->flag = true;
        } else if (i + 1 >= args.size()) {
            *error = arg + " needs a value";
            return false;
        } else if (option->values) {
            option->values->push_back(args[++i]);
        } else {
            *option->value = args[++i];
        }
    }
    return true;
}

std::vector<CliOption> SettingsOptions::Options(bool withBypass) {
    std::vector<CliOption> options = {{"--plugin", &bundle},
                                      {"--state", &statePath},
                                      {"--preset", &presetPath},
                                      {"--set", nullptr, &sets}};
    if (withBypass) options.push_back({"--bypass", nullptr, nullptr, &bypass});
    return options;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "tesselor: %s\n", message.c_str());
    return 1;
}

std::string DefaultBundle() {
    if (const char* env = std::getenv("TESSELOR_PLUGIN"); env && *env) return env;
    std::error_code ec;
#ifdef TESSELOR_DEFAULT_BUNDLE
    if (std::filesystem::exists(TESSELOR_DEFAULT_BUNDLE, ec)) return TESSELOR_DEFAULT_BUNDLE;
#endif
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.vst3/Tesselor.vst3";
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool ParseNumber(const std::string& text, double* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return end && *end == 0 && std::isfinite(*value);
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string CanonicalPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : resolved.string();
}

}  // namespace tesselor::tools
