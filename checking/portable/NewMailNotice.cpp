#include "checking/portable/NewMailNotice.h"

#include <algorithm>
#include <string>

namespace checking {

namespace {

std::u16string Number(std::size_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::u16string NewMailNoticeText(std::string_view accountName, std::size_t newCount,
                                 const std::vector<MailSummary>& newestFirst, const Cp932Decoder& cp932) {
  std::u16string text = u"'" + cp932(accountName) + u"' に " + Number(newCount) + u" 通の新しいメールが届いています。";
  const std::size_t named = std::min({newestFirst.size(), kMaxNoticeLines, newCount});
  for (std::size_t i = 0; i < named; ++i) {
    const MailSummary& mail = newestFirst[i];
    text += u"\n" + (mail.Sender.empty() ? u"(差出人なし)" : mail.Sender) + u": " +
            (mail.Subject.empty() ? u"(件名なし)" : mail.Subject);
  }
  if (newCount > named) text += u"\nほか " + Number(newCount - named) + u" 通";
  return text;
}

}  // namespace checking
