#include "checking/portable/MailHeader.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "toolkit/portable/Cp932.h"

namespace checking {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// Longer than any registered charset name: a "?" farther on means the "=?" starts no encoded word.
constexpr std::size_t kMaxCharsetLength = 64;

// UTF-16 text built from code points and runs of CP932 bytes; each run goes to the converter whole.
class Utf16Text {
public:
  explicit Utf16Text(const Cp932Decoder& cp932) : Cp932(cp932) {}

  void Add(char32_t c) {
    Flush();
    if (c >= 0x10000) {
      c -= 0x10000;
      Text += static_cast<char16_t>(0xD800 + (c >> 10));
      Text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      Text += static_cast<char16_t>(c);
    }
  }
  void AddCp932(char byte) { Pending += byte; }
  // A JIS X 0208 row and cell (0x21 to 0x7E each) as its Shift_JIS pair.
  void AddJis(unsigned char row, unsigned char cell) {
    Pending += static_cast<char>((row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0));
    Pending += static_cast<char>(cell + ((row & 1) != 0 ? (cell >= 0x60 ? 0x20 : 0x1F) : 0x7E));
  }
  std::u16string Take() {
    Flush();
    return std::move(Text);
  }

private:
  void Flush() {
    if (Pending.empty()) return;
    Text += Cp932(Pending);
    Pending.clear();
  }

  const Cp932Decoder& Cp932;
  std::string Pending;
  std::u16string Text;
};

// The byte at i, or 0 past the end, so that a look-ahead needs no bounds check of its own.
unsigned char Byte(std::string_view bytes, std::size_t i) {
  return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
}

bool IsJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }
bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

// The length of the UTF-8 character at i with its code point in c, or 0 when it is not one
// (overlong forms and surrogates included).
std::size_t Utf8Char(std::string_view bytes, std::size_t i, char32_t& c) {
  const unsigned char lead = Byte(bytes, i);
  std::size_t length = 1;
  char32_t least = 0;
  if (lead < 0x80) {
    c = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = Byte(bytes, i + k);
    if ((next & 0xC0) != 0x80) return 0;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

bool IsUtf8(std::string_view bytes) {
  char32_t c = 0;
  for (std::size_t i = 0, n = 0; i < bytes.size(); i += n) {
    if ((n = Utf8Char(bytes, i, c)) == 0) return false;
  }
  return true;
}

// A broken sequence is one U+FFFD, however many of its continuation bytes follow.
void AddUtf8(std::string_view bytes, Utf16Text& out) {
  char32_t c = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = Utf8Char(bytes, i, c);
    if (n > 0) {
      out.Add(c);
      i += n;
      continue;
    }
    out.Add(kReplacement);
    for (++i; i < bytes.size() && (Byte(bytes, i) & 0xC0) == 0x80; ++i) {
    }
  }
}

// Only whole characters reach the converter, so that it never sees a cut or invalid pair.
void AddCp932(std::string_view bytes, Utf16Text& out) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = Byte(bytes, i);
    const unsigned char trail = Byte(bytes, i + 1);
    if (cp932::IsLeadByte(c) && ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC))) {
      out.AddCp932(static_cast<char>(c));
      out.AddCp932(static_cast<char>(trail));
      ++i;
    } else if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
      out.AddCp932(static_cast<char>(c));
    } else {
      out.Add(kReplacement);
    }
  }
}

void AddEucJp(std::string_view bytes, Utf16Text& out) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = Byte(bytes, i);
    const unsigned char next = Byte(bytes, i + 1);
    if (c < 0x80) {
      out.AddCp932(static_cast<char>(c));
    } else if (c == 0x8E && next >= 0xA1 && next <= 0xDF) {  // half-width katakana
      out.AddCp932(static_cast<char>(next));
      ++i;
    } else if (c == 0x8F && IsEucByte(next) && IsEucByte(Byte(bytes, i + 2))) {  // JIS X 0212
      out.Add(kReplacement);
      i += 2;
    } else if (IsEucByte(c) && IsEucByte(next)) {
      out.AddJis(c - 0x80, next - 0x80);
      ++i;
    } else {
      out.Add(kReplacement);
    }
  }
}

// ISO-2022-JP with what senders mix into it: JIS X 0208 (both editions), JIS-Roman, half-width
// katakana by escape or SO/SI; any other two-byte set (JIS X 0212, the -2 variants) is U+FFFD.
void AddIso2022Jp(std::string_view bytes, Utf16Text& out) {
  enum class Set { Ascii, Katakana, Jis, OtherDouble } set = Set::Ascii;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = Byte(bytes, i);
    if (c == 0x1B) {
      const std::string_view escape = bytes.substr(i + 1, 3);
      std::size_t length = 2;
      if (escape.starts_with("(B") || escape.starts_with("(J") || escape.starts_with("(H")) {
        set = Set::Ascii;
      } else if (escape.starts_with("(I")) {
        set = Set::Katakana;
      } else if (escape.starts_with("$@") || escape.starts_with("$B")) {
        set = Set::Jis;
      } else if (escape.starts_with("&@")) {  // announces the 1990 edition's "ESC $ B"
      } else if (escape == "$(B") {
        set = Set::Jis, length = 3;
      } else if (escape.size() >= 2 && escape[0] == '$') {
        set = Set::OtherDouble;
        length = escape[1] == '(' || escape[1] == ')' ? 3 : 2;
      } else {
        out.Add(kReplacement);
        length = 0;
      }
      i += std::min(length, bytes.size() - i - 1);
    } else if (c == 0x0E || c == 0x0F) {
      set = c == 0x0E ? Set::Katakana : Set::Ascii;
    } else if (c >= 0x80) {
      out.Add(kReplacement);
    } else if (!IsJisByte(c) || set == Set::Ascii) {
      out.AddCp932(static_cast<char>(c));
    } else if (set == Set::Katakana) {
      if (c <= 0x5F) out.AddCp932(static_cast<char>(c + 0x80));
      else out.Add(kReplacement);
    } else if (IsJisByte(Byte(bytes, i + 1))) {
      if (set == Set::Jis) out.AddJis(c, Byte(bytes, i + 1));
      else out.Add(kReplacement);
      ++i;
    } else {
      out.Add(kReplacement);
    }
  }
}

void AddAsciiOnly(std::string_view bytes, Utf16Text& out) {
  for (const char c : bytes) out.Add(static_cast<unsigned char>(c) < 0x80 ? static_cast<char32_t>(c) : kReplacement);
}

// Bytes outside encoded words: JIS when they hold an escape, else UTF-8 when they are valid UTF-8,
// else Shift_JIS, which is what Japanese mailers put there.
void AddRaw(std::string_view bytes, Utf16Text& out) {
  if (bytes.find('\x1B') != std::string_view::npos) AddIso2022Jp(bytes, out);
  else if (IsUtf8(bytes)) AddUtf8(bytes, out);
  else AddCp932(bytes, out);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

void AddInCharset(std::string_view charset, std::string_view bytes, Utf16Text& out) {
  std::string name(charset.substr(0, charset.find('*')));  // RFC 2231 adds "*language"
  std::transform(name.begin(), name.end(), name.begin(), Lower);
  const auto any = [&name](std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  if (name.starts_with("iso-2022-jp") || name == "csiso2022jp") {
    AddIso2022Jp(bytes, out);
  } else if (any({"utf-8", "utf8"})) {
    AddUtf8(bytes, out);
  } else if (any({"shift_jis", "shift-jis", "sjis", "x-sjis", "cp932", "windows-31j", "ms932", "csshiftjis"})) {
    AddCp932(bytes, out);
  } else if (any({"euc-jp", "x-euc-jp", "eucjp"})) {
    AddEucJp(bytes, out);
  } else if (any({"iso-8859-1", "iso8859-1", "latin1"})) {
    for (const char c : bytes) out.Add(static_cast<unsigned char>(c));
  } else if (any({"us-ascii", "ascii"})) {
    AddRaw(bytes, out);  // 8-bit bytes under this label are raw bytes
  } else {
    AddAsciiOnly(bytes, out);
  }
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

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
    const int value = Base64Value(c);
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

// Blanks and line breaks become one space, other control characters (and the line separators that
// would break a notice's lines) go, and a long text is cut without splitting a surrogate pair.
std::u16string Shown(const std::u16string& text) {
  std::u16string shown;
  for (const char16_t c : text) {
    if (c == u'\t' || c == u'\r' || c == u'\n' || c == u' ') {
      if (!shown.empty() && shown.back() != u' ') shown += u' ';
    } else if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && c != 0x2028 && c != 0x2029 && c != 0xFEFF) {
      shown += c;
    }
    if (shown.size() > kMaxShownChars) break;
  }
  const bool longer = shown.size() > kMaxShownChars;
  if (longer) {
    std::size_t cut = kMaxShownChars - 1;
    if (shown[cut - 1] >= 0xD800 && shown[cut - 1] <= 0xDBFF) --cut;
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
