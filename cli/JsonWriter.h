// A small writer of JSON text for --json output: objects, arrays, strings, numbers and
// booleans, with the commas and escapes done right.
#pragma once

#include <string>
#include <vector>

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(const std::string& key);
    JsonWriter& String(const std::string& value);
    JsonWriter& Number(long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    const std::string& Text() const { return text_; }

    static std::string Quote(const std::string& value);

private:
    void BeforeValue();
    std::string text_;
    std::vector<bool> first_; // per open container: no element written yet
    bool afterKey_ = false;
};
