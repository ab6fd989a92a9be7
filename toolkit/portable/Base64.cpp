#include "toolkit/portable/Base64.h"

#include <cstdint>

int Base64DigitValue(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string Base64(std::string_view bytes, TBase64 form) {
  const char* const digits = form == TBase64::Standard
                                 ? "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
                                 : "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  const bool pad = form == TBase64::Standard;
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
    text += digits[(group >> 18) & 63];
    text += digits[(group >> 12) & 63];
    if (i + 1 < bytes.size()) text += digits[(group >> 6) & 63];
    else if (pad) text += '=';
    if (i + 2 < bytes.size()) text += digits[group & 63];
    else if (pad) text += '=';
  }
  return text;
}

std::optional<std::string> DecodeBase64(std::string_view text, std::size_t maxText) {
  if (text.size() > maxText) return std::nullopt;
  if (text.size() % 4 == 0 && text.ends_with('=')) text.remove_suffix(text.ends_with("==") ? 2 : 1);
  // One digit left over holds only six bits: no whole byte encodes to it.
  if (text.size() % 4 == 1) return std::nullopt;
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 2);
  uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    const int value = Base64DigitValue(c);
    if (value < 0) return std::nullopt;
    bits = ((bits << 6) | static_cast<uint32_t>(value)) & 0xFFFFFF;
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return bytes;
}
