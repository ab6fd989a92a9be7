#include "checking/portable/MailCharsets.h"

#include <algorithm>
#include <initializer_list>

#include "toolkit/portable/Cp932.h"

namespace checking {

unsigned char Byte(std::string_view bytes, std::size_t i) {
  return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

namespace {

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

}  // namespace

void AddRaw(std::string_view bytes, Utf16Text& out) {
  if (bytes.find('\x1B') != std::string_view::npos) AddIso2022Jp(bytes, out);
  else if (IsUtf8(bytes)) AddUtf8(bytes, out);
  else AddCp932(bytes, out);
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

}  // namespace checking
