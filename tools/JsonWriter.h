#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tesselor::tools {

// Builds indented JSON text in a string. Keys and values are written in order; the writer puts
// the commas, colons and line breaks. Strings are bytes as plug-ins' texts arrive (PluginText):
// ASCII passes through, other bytes are taken as Latin-1 and escaped, so the text is always valid.
class JsonWriter {
public:
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    // The next value's key, inside an object.
    void Key(std::string_view key);

    void String(std::string_view text);
    // Shortest text that reads back to the same double; null for NaN and infinities, which JSON
    // cannot hold.
    void Number(double value);
    void Integer(std::int64_t value);
    void Bool(bool value);

    const std::string& Text() const { return _text; }

private:
    void Open(char bracket);
    void Close(char bracket);
    void BeforeValue();
    void Quote(std::string_view text);

    std::string _text;
    std::vector<bool> _hasItems;  // per open bracket: a value has been written inside it
    bool _afterKey = false;
};

}  // namespace tesselor::tools
