#pragma once
// A bounded JSON reader (RFC 8259) for what token endpoints and SASL error challenges send: objects,
// arrays, strings (escapes, \uXXXX to UTF-8), numbers, true, false and null. No Windows API.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kMaxJsonBytes = 64 * 1024;
inline constexpr std::size_t kMaxJsonDepth = 16;
// Values in one array or object; a token response has a handful.
inline constexpr std::size_t kMaxJsonItems = 1024;

struct TJson {
  enum class TKind { Null, Bool, Number, String, Array, Object };
  TKind Kind = TKind::Null;
  bool Bool = false;
  std::string Text;                // a string's UTF-8 bytes, or a number as written
  std::vector<std::string> Names;  // an object's member names, each once, in order
  std::vector<TJson> Items;        // an array's values, or the values of an object's members

  // The value of an object's member, or nullptr.
  const TJson* Member(std::string_view name) const;
};

// One JSON text. Anything malformed, past kMaxJsonBytes, nested deeper than kMaxJsonDepth, with more
// than kMaxJsonItems values in a container, an object naming a member twice, or a \u escape of a lone
// surrogate throws Exception.
TJson ParseJson(std::string_view text);
