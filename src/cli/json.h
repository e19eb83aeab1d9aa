#pragma once
// A small JSON text builder for the command-line tool: one object per line,
// keys in the order they are written.
//
// Strings are written as UTF-8 with ", \ and control characters escaped; a
// byte sequence that is not valid UTF-8 (a file name is only bytes on Linux)
// becomes U+FFFD, so the output is always valid JSON. Doubles use the
// shortest text that reads back to the same value; NaN and infinities, which
// JSON cannot hold, are written as null.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Appends str to out as a quoted JSON string.
void appendJsonString(std::string& out, std::string_view str);
// Appends value to out as a JSON number (null when not finite).
void appendJsonNumber(std::string& out, double value);

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The key of the next value inside an object.
    JsonWriter& key(std::string_view name);

    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(const std::string& text) { return value(std::string_view(text)); }
    JsonWriter& value(int64_t number);
    JsonWriter& value(int32_t number) { return value(static_cast<int64_t>(number)); }
    JsonWriter& value(double number);
    JsonWriter& value(bool flag);
    JsonWriter& null();

    // key(name).value(v) in one call.
    template <typename T>
    JsonWriter& field(std::string_view name, const T& v)
    {
        key(name);
        return value(v);
    }
    JsonWriter& nullField(std::string_view name)
    {
        key(name);
        return null();
    }
    JsonWriter& stringArray(std::string_view name, const std::vector<std::string>& items);

    const std::string& text() const { return out_; }

private:
    void separate();

    std::string out_;
    // Per open container: whether it already holds an element.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};
