#pragma once
// The sender and subject of a message as a notice shows them, read from its header block (the
// reply to TOP n 0) the way Japanese mail really comes: folded lines, RFC 2047 encoded words in the
// Japanese charsets, UTF-8 and ISO-8859-1, and raw 8-bit or JIS bytes. No Windows API.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace checking {

// Code page 932 bytes to UTF-16: MultiByteToWideChar(932) in the program. It is only given whole
// characters (single bytes and lead-trail pairs); the JIS charsets reach it as CP932 bytes.
using Cp932Decoder = std::function<std::u16string(std::string_view)>;

struct MailSummary {
  std::u16string Sender;   // the display name, or the address when there is none
  std::u16string Subject;
};

// The longest sender or subject shown, in UTF-16 units; a longer one is cut and ends in "…".
inline constexpr std::size_t kMaxShownChars = 200;

// The first From and Subject fields of `header`. Never throws for any bytes: what cannot be decoded
// shows as U+FFFD, control characters (bidirectional ones too) are dropped, runs of blanks become one
// space.
MailSummary ReadMailHeader(std::string_view header, const Cp932Decoder& cp932);

}  // namespace checking
