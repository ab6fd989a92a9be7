#pragma once
// The notice of new mail told by message identity, in UTF-16 so that a subject keeps characters
// that code page 932 lacks. No Windows API.
#include <cstddef>
#include <string_view>
#include <vector>

#include "checking/portable/MailHeader.h"

namespace checking {

// The most messages a notice names one by one.
inline constexpr std::size_t kMaxNoticeLines = 5;
// The widest line naming a message, in half-width characters (a full-width one counts two): a longer
// line is cut and ends in "…", so that each message keeps one line of the box.
inline constexpr std::size_t kMaxNoticeLineWidth = 80;

// "'<name>' に <k> 通の新しいメールが届いています。", then "<sender>: <subject>" (kMaxNoticeLineWidth
// at most) for the first
// kMaxNoticeLines of `newestFirst` (the messages whose header could be read), then "ほか <m> 通" for
// the new messages not named. The account name is CP932, as the account table holds it.
std::u16string NewMailNoticeText(std::string_view accountName, std::size_t newCount,
                                 const std::vector<MailSummary>& newestFirst, const Cp932Decoder& cp932);

}  // namespace checking
