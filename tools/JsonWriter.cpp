#include "tools/JsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tesselor::tools {

void JsonWriter::BeforeValue() {
    if (_afterKey) {
        _afterKey = false;
        return;
    }
    if (_hasItems.empty()) return;
    if (_hasItems.back()) _text += ',';
    _hasItems.back() = true;
    _text += '\n';
    _text.append(2 * _hasItems.size(), ' ');
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    _text += bracket;
    _hasItems.push_back(false);
}

void JsonWriter::Close(char bracket) {
    const bool hadItems = !_hasItems.empty() && _hasItems.back();
    if (!_hasItems.empty()) _hasItems.pop_back();
    if (hadItems) {
        _text += '\n';
        _text.append(2 * _hasItems.size(), ' ');
    }
    _text += bracket;
    if (_hasItems.empty()) _text += '\n';
}

void JsonWriter::Key(std::string_view key) {
    BeforeValue();
    Quote(key);
    _text += ": ";
    _afterKey = true;
}

void JsonWriter::Quote(std::string_view text) {
    _text += '"';
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            _text += '\\';
            _text += ch;
        } else if (c == '\n') {
            _text += "\\n";
        } else if (c == '\t') {
            _text += "\\t";
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
            _text += escaped;
        } else {
            _text += ch;
        }
    }
    _text += '"';
}

void JsonWriter::String(std::string_view text) {
    BeforeValue();
    Quote(text);
}

void JsonWriter::Number(double value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        _text += "null";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    _text.append(buffer, result.ptr);
}

void JsonWriter::Integer(std::int64_t value) {
    BeforeValue();
    _text += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    _text += value ? "true" : "false";
}

}  // namespace tesselor::tools
