#include "checking/portable/MailHeader.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "checking/portable/MailCharsets.h"
#include "toolkit/portable/Base64.h"
#include "toolkit/portable/Utf16.h"

namespace checking {

namespace {

// Longer than any registered charset name: a "?" farther on means the "=?" starts no encoded word.
constexpr std::size_t kMaxCharsetLength = 64;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Padding and stray characters are skipped, so a broken word still gives the bytes it holds.
std::string DecodeB(std::string_view text) {
  std::string bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    const int value = Base64DigitValue(c);
    if (value < 0) continue;
    bits = ((bits << 6) | static_cast<std::uint32_t>(value)) & 0xFFFFFF;
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return bytes;
}

std::string DecodeQ(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      bytes += text[i] == '_' ? ' ' : text[i];
    }
  }
  return bytes;
}

struct EncodedWord {
  std::string_view Charset;
  std::string Bytes;
  std::size_t End = 0;
};

// The encoded word "=?charset?B|Q?text?=" that starts at `start`, if one does.
std::optional<EncodedWord> EncodedWordAt(std::string_view value, std::size_t start) {
  const std::size_t charsetEnd = value.find('?', start + 2);
  if (charsetEnd == std::string_view::npos || charsetEnd == start + 2 || charsetEnd - start - 2 > kMaxCharsetLength) {
    return std::nullopt;
  }
  const std::string_view charset = value.substr(start + 2, charsetEnd - start - 2);
  if (charset.find_first_of(" \t\"()<>") != std::string_view::npos) return std::nullopt;
  const char encoding = Lower(static_cast<char>(Byte(value, charsetEnd + 1)));
  if ((encoding != 'b' && encoding != 'q') || Byte(value, charsetEnd + 2) != '?') return std::nullopt;
  const std::size_t textStart = charsetEnd + 3;
  const std::size_t textEnd = value.find('?', textStart);
  if (textEnd == std::string_view::npos || Byte(value, textEnd + 1) != '=') return std::nullopt;
  const std::string_view text = value.substr(textStart, textEnd - textStart);
  return EncodedWord{charset, encoding == 'b' ? DecodeB(text) : DecodeQ(text), textEnd + 2};
}

// An unstructured text: adjacent encoded words (only blanks between them) of one charset are joined
// before decoding, as senders split a character across two words; the blanks between them go.
std::u16string DecodeText(std::string_view value, const Cp932Decoder& cp932) {
  Utf16Text out(cp932);
  std::optional<EncodedWord> held;
  const auto flushHeld = [&] {
    if (held) AddInCharset(held->Charset, held->Bytes, out);
    held.reset();
  };
  std::size_t rawStart = 0;
  for (std::size_t at = value.find("=?"); at != std::string_view::npos; at = value.find("=?", at + 1)) {
    std::optional<EncodedWord> word = EncodedWordAt(value, at);
    if (!word) continue;
    const std::string_view raw = value.substr(rawStart, at - rawStart);
    if (!held || raw.find_first_not_of(" \t") != std::string_view::npos) {
      flushHeld();
      AddRaw(raw, out);
    }
    rawStart = word->End;
    if (held && EqualNoCase(held->Charset, word->Charset)) {
      held->Bytes += word->Bytes;
    } else {
      flushHeld();
      held = std::move(word);
    }
    at = rawStart - 1;
  }
  flushHeld();
  AddRaw(value.substr(rawStart), out);
  return out.Take();
}

// The bidirectional embeddings, overrides, isolates and marks: one in a sender's name would reorder
// the rest of the notice line around it.
bool IsBidiControl(char16_t c) {
  return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C;
}

// Blanks and line breaks become one space, other control characters (and the line separators that
// would break a notice's lines) go, and a long text is cut without splitting a surrogate pair.
std::u16string Shown(const std::u16string& text) {
  std::u16string shown;
  for (const char16_t c : text) {
    if (c == u'\t' || c == u'\r' || c == u'\n' || c == u' ') {
      if (!shown.empty() && shown.back() != u' ') shown += u' ';
    } else if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && c != 0x2028 && c != 0x2029 && c != 0xFEFF &&
               !IsBidiControl(c)) {
      shown += c;
    }
    if (shown.size() > kMaxShownChars) break;
  }
  const bool longer = shown.size() > kMaxShownChars;
  if (longer) {
    std::size_t cut = kMaxShownChars - 1;
    if (IsLeadSurrogate(shown[cut - 1])) --cut;
    shown.resize(cut);
  }
  if (!shown.empty() && shown.back() == u' ') shown.pop_back();
  if (longer) shown += u'…';
  return shown;
}

// The unfolded value of the first field named `name`.
std::string FieldValue(std::string_view header, std::string_view name) {
  std::string value;
  bool inField = false;
  for (std::size_t start = 0; start < header.size();) {
    std::size_t end = header.find('\n', start);
    if (end == std::string_view::npos) end = header.size();
    std::string_view line = header.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    if (line.front() == ' ' || line.front() == '\t') {
      if (inField) value.append(line);
      continue;
    }
    if (inField) break;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view fieldName = line.substr(0, colon);
    fieldName = fieldName.substr(0, fieldName.find_last_not_of(" \t") + 1);
    if (EqualNoCase(fieldName, name)) {
      inField = true;
      value = line.substr(colon + 1);
    }
  }
  return value;
}

// The display name of the first mailbox of a From value, or its address: "Name <addr>",
// "\"Quoted, Name\" <addr>", "addr (Comment Name)" or a bare address. Quotes and comments are
// followed so that a comma or bracket inside them ends nothing. Encoded words inside quotes are
// decoded too, against RFC 2047, because Japanese mailers write names that way.
std::u16string SenderName(std::string_view value, const Cp932Decoder& cp932) {
  std::string phrase;
  std::string comment;
  std::string address;
  bool inAngle = false;
  bool angleSeen = false;
  bool quoted = false;
  int depth = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if ((quoted || depth > 0) && c == '\\' && i + 1 < value.size()) {
      c = value[++i];
    } else if (!quoted && c == '(') {
      if (depth++ == 0) continue;
    } else if (!quoted && depth > 0 && c == ')') {
      if (--depth == 0) continue;
    } else if (depth == 0 && c == '"') {
      quoted = !quoted;
      continue;
    } else if (!quoted && depth == 0) {
      if (c == ',' && !inAngle) break;
      if (c == '<' && !angleSeen) {
        inAngle = angleSeen = true;
        address.clear();
        continue;
      }
      if (c == '>' && inAngle) {
        inAngle = false;
        continue;
      }
    }
    if (depth > 0) comment += c;
    else if (inAngle) address += c;
    else if (angleSeen) continue;
    else phrase += c;
  }
  if (!angleSeen) {
    address = phrase;
    phrase = comment;
  }
  std::u16string name = Shown(DecodeText(phrase, cp932));
  return name.empty() ? Shown(DecodeText(address, cp932)) : name;
}

}  // namespace

MailSummary ReadMailHeader(std::string_view header, const Cp932Decoder& cp932) {
  return {SenderName(FieldValue(header, "From"), cp932), Shown(DecodeText(FieldValue(header, "Subject"), cp932))};
}

}  // namespace checking
