#include "checking/portable/NewMailNotice.h"

#include <algorithm>
#include <string>

#include "toolkit/portable/Utf16.h"

namespace checking {

namespace {

std::u16string Number(std::size_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// Half-width: ASCII, the Latin letters, and the half-width katakana and hangul forms. Combining marks,
// variation selectors and joiners take no room of their own; the rest, and every character beyond the
// basic plane (two units), count as full-width.
std::size_t Width(char16_t c) {
  if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || (c >= 0xFE00 && c <= 0xFE0F)) return 0;
  if (c < 0x0250 || (c >= 0xFF61 && c <= 0xFFDC) || (c >= 0xFFE8 && c <= 0xFFEE)) return 1;
  return 2;
}

std::u16string CappedLine(std::u16string line) {
  constexpr std::size_t kEllipsisWidth = 2;
  std::size_t width = 0;
  std::size_t fits = 0;  // the units that still leave room for the ellipsis
  for (std::size_t at = 0; at < line.size();) {
    const std::size_t units = IsLeadSurrogate(line[at]) && at + 1 < line.size() ? 2 : 1;
    width += Width(line[at]);
    if (width + kEllipsisWidth <= kMaxNoticeLineWidth) fits = at + units;
    if (width > kMaxNoticeLineWidth) return line.substr(0, fits) + u"…";
    at += units;
  }
  return line;
}

}  // namespace

std::u16string NewMailNoticeText(std::string_view accountName, std::size_t newCount,
                                 const std::vector<MailSummary>& newestFirst, const Cp932Decoder& cp932) {
  std::u16string text = u"'" + cp932(accountName) + u"' に " + Number(newCount) + u" 通の新しいメールが届いています。";
  const std::size_t named = std::min({newestFirst.size(), kMaxNoticeLines, newCount});
  for (std::size_t i = 0; i < named; ++i) {
    const MailSummary& mail = newestFirst[i];
    text += u"\n" + CappedLine((mail.Sender.empty() ? u"（差出人なし）" : mail.Sender) + u": " +
                               (mail.Subject.empty() ? u"（件名なし）" : mail.Subject));
  }
  if (newCount > named) text += u"\nほか " + Number(newCount - named) + u" 通";
  return text;
}

}  // namespace checking
