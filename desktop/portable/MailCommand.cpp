#include "desktop/portable/MailCommand.h"

#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr std::u16string_view kSpaces = u" \t";

bool IsSpace(char16_t c) { return kSpaces.find(c) != std::u16string_view::npos; }

bool HasExtension(std::u16string_view path) {
  const std::size_t name = path.find_last_of(u"\\/");
  return path.find(u'.', name == std::u16string_view::npos ? 0 : name + 1) != std::u16string_view::npos;
}

bool IsPlaceholder(char16_t c) {
  return (c >= u'0' && c <= u'9') || std::u16string_view(u"Ll*~Ii").find(c) != std::u16string_view::npos;
}

std::u16string Arguments(std::u16string_view text) {
  std::u16string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char16_t next = at + 1 < text.size() ? text[at + 1] : u'\0';
    if (text[at] == u'%' && next == u'%') {
      out += u'%';
      ++at;
    } else if (text[at] == u'%' && IsPlaceholder(next)) {
      ++at;
    } else {
      out += text[at];
    }
  }
  while (!out.empty() && IsSpace(out.back())) out.pop_back();
  return out;
}

// Where each word of `text` ends.
std::vector<std::size_t> WordEnds(std::u16string_view text) {
  std::vector<std::size_t> ends;
  for (std::size_t at = 1; at <= text.size(); ++at) {
    if (!IsSpace(text[at - 1]) && (at == text.size() || IsSpace(text[at]))) ends.push_back(at);
  }
  return ends;
}

// The longest run of words that names a file, and where it ends; else the first word.
std::pair<std::u16string, std::size_t> UnquotedProgram(std::u16string_view command,
                                                        const std::function<bool(std::u16string_view)>& isFile) {
  const std::vector<std::size_t> ends = WordEnds(command);
  for (auto end = ends.rbegin(); end != ends.rend(); ++end) {
    std::u16string run(command.substr(0, *end));
    if (!isFile(run)) {
      if (HasExtension(run)) continue;
      run += u".exe";
      if (!isFile(run)) continue;
    }
    return {run, *end};
  }
  return {std::u16string(command.substr(0, ends.front())), ends.front()};
}

}  // namespace

std::u16string MailCommandLine(std::u16string_view command, const std::function<bool(std::u16string_view)>& isFile) {
  const std::size_t start = command.find_first_not_of(kSpaces);
  if (start == std::u16string_view::npos) return {};
  command.remove_prefix(start);
  std::u16string program;
  std::u16string_view rest;
  if (command.front() == u'"') {
    const std::size_t close = command.find(u'"', 1);
    program = command.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1);
    if (close != std::u16string_view::npos) rest = command.substr(close + 1);
  } else {
    std::size_t end = 0;
    std::tie(program, end) = UnquotedProgram(command, isFile);
    rest = command.substr(end);
  }
  if (program.empty()) return {};
  const std::u16string arguments = Arguments(rest);
  std::u16string line = u"\"" + program + u"\"";
  if (!arguments.empty() && !IsSpace(arguments.front())) line += u' ';
  return line + arguments;
}
