// SPDX-License-Identifier: MIT
// JSON text read into a tree of values: the producer's job descriptions.
// The reader is strict (RFC 8259): no comments, no trailing commas, only
// the standard escapes, valid UTF-8, \u escapes paired into whole
// characters. A leading UTF-8 byte order mark is skipped, as Windows
// editors write one. Nesting is bounded, so hostile input cannot exhaust
// the stack.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexlan {

struct JsonMember;

enum class JsonType : unsigned char { Null, Bool, Number, String, Array, Object };

struct JsonValue {
    JsonType type = JsonType::Null;
    bool boolean = false;
    bool integer = false;            // a number written without fraction or exponent
    double number = 0;               // the nearest double to the number written
    std::string text;                // a string, as UTF-8 (it may hold NUL bytes)
    std::vector<JsonValue> items;    // an array's elements
    std::vector<JsonMember> members; // an object's members, in the order written

    bool IsNumber() const { return type == JsonType::Number; }
    bool IsString() const { return type == JsonType::String; }
    bool IsArray() const { return type == JsonType::Array; }
    bool IsObject() const { return type == JsonType::Object; }

    // The value of the last member named `key`, or nullptr (also when this
    // is not an object).
    const JsonValue* Find(std::string_view key) const;
};

struct JsonMember {
    std::string key; // UTF-8
    JsonValue value;
};

// Containers nested deeper than this are refused.
inline constexpr std::size_t kJsonMaxDepth = 256;

// Parses the whole of `json` into `out`. On failure returns false with
// `error` set to one line, "<what is wrong> at byte <offset>" (the offset
// counts from 0, the byte order mark included); `out` is then unspecified.
bool ParseJson(std::string_view json, JsonValue& out, std::string& error);

} // namespace vexlan
