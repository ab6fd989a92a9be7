#include "desktop/portable/BalloonText.h"

#include <algorithm>

#include "toolkit/portable/Utf16.h"

namespace {

std::u16string Joined(const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (const std::u16string& line : lines) text += (text.empty() ? u"" : u"\n") + line;
  return text;
}

// Each warning's first line, with "…" where more lines followed.
std::u16string FirstLines(const std::vector<std::u16string>& warnings) {
  std::vector<std::u16string> lines;
  for (const std::u16string& warning : warnings) {
    const std::size_t end = warning.find(u'\n');
    lines.push_back(end == std::u16string::npos ? warning : warning.substr(0, end) + u"…");
  }
  return Joined(lines);
}

}  // namespace

std::u16string Shortened(std::u16string_view text, std::size_t limit) {
  if (text.size() <= limit) return std::u16string(text);
  if (limit == 0) return {};
  std::size_t cut = limit - 1;
  if (cut > 0 && IsLeadSurrogate(text[cut - 1])) --cut;
  std::u16string shown(text.substr(0, cut));
  // An ellipsis alone on a line of its own would say nothing about the line it stands for.
  while (!shown.empty() && (shown.back() == u'\n' || shown.back() == u' ')) shown.pop_back();
  return shown + u'…';
}

std::u16string BalloonText(const std::vector<std::u16string>& notices, const std::vector<std::u16string>& warnings,
                           std::size_t limit) {
  const std::u16string told = Joined(notices);
  const std::u16string warned = Joined(warnings);
  if (told.empty() || warned.empty()) return Shortened(told.empty() ? warned : told, limit);
  if (told.size() + 1 + warned.size() <= limit) return told + u"\n" + warned;
  if (limit < 3) return Shortened(told, limit);
  const std::size_t room = limit - 1;  // one unit separates the two parts
  // The notices keep up to half the room; the warnings take the rest, whole where they fit, else by
  // their first lines; what the warnings leave goes back to the notices.
  const std::size_t warningRoom = room - std::min(told.size(), room / 2);
  const std::u16string warning = warned.size() <= warningRoom ? warned : Shortened(FirstLines(warnings), warningRoom);
  return Shortened(told, room - warning.size()) + u"\n" + warning;
}
