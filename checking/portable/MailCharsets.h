#pragma once
// The charsets of Japanese mail as UTF-16: ISO-2022-JP, Shift_JIS (CP932), EUC-JP, UTF-8 and
// ISO-8859-1, and the raw 8-bit bytes mailers put into headers. No Windows API: CP932 bytes (to which
// ISO-2022-JP and EUC-JP map by JIS row and cell) go to a converter passed in.
#include <string>
#include <string_view>

#include "checking/portable/MailHeader.h"

namespace checking {

inline constexpr char32_t kReplacement = 0xFFFD;

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
unsigned char Byte(std::string_view bytes, std::size_t i);
char Lower(char c);
bool EqualNoCase(std::string_view a, std::string_view b);

// Bytes outside encoded words: JIS when they hold an escape, else UTF-8 when they are valid UTF-8,
// else Shift_JIS, which is what Japanese mailers put there.
void AddRaw(std::string_view bytes, Utf16Text& out);
// Bytes in a named charset; an unknown one shows its ASCII and U+FFFD for the rest.
void AddInCharset(std::string_view charset, std::string_view bytes, Utf16Text& out);

}  // namespace checking
