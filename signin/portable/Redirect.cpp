#include "signin/portable/Redirect.h"

#include <optional>
#include <vector>

#include "toolkit/portable/Percent.h"

namespace {

struct TParameter {
  std::string Name;
  std::string Value;
};

TRedirect Refused(std::string reason) { return {TRedirect::TKind::Refused, {}, std::move(reason)}; }

// A query's parameters, decoded; nothing when malformed or past the bound.
std::optional<std::vector<TParameter>> Parameters(std::string_view query) {
  std::vector<TParameter> parameters;
  while (!query.empty()) {
    const std::size_t end = std::min(query.find('&'), query.size());
    const std::string_view pair = query.substr(0, end);
    query.remove_prefix(std::min(end + 1, query.size()));
    if (pair.empty()) continue;
    const std::size_t equals = std::min(pair.find('='), pair.size());
    std::optional<std::string> name = PercentDecode(pair.substr(0, equals), true);
    std::optional<std::string> value = PercentDecode(pair.substr(std::min(equals + 1, pair.size())), true);
    if (!name || !value || parameters.size() == kMaxRedirectParameters) return std::nullopt;
    parameters.push_back({std::move(*name), std::move(*value)});
  }
  return parameters;
}

// The value of the one parameter of that name; `twice` is set when it comes more than once.
const std::string* Find(const std::vector<TParameter>& parameters, std::string_view name, bool& twice) {
  const std::string* found = nullptr;
  for (const TParameter& parameter : parameters) {
    if (parameter.Name != name) continue;
    twice = twice || found;
    found = &parameter.Value;
  }
  return found;
}

std::string PrintableAscii(std::string_view text) {
  std::string kept;
  for (const char c : text) {
    if (c >= 0x20 && c < 0x7F && kept.size() < kMaxRedirectReasonChars) kept += c;
  }
  return kept;
}

// The head without its blank line, or nothing while the blank line has not come.
std::optional<std::string_view> Head(std::string_view bytes) {
  const std::size_t end = bytes.find("\r\n\r\n");
  if (end == std::string_view::npos) return std::nullopt;
  return bytes.substr(0, end);
}

}  // namespace

TRedirect ReadRedirect(std::string_view requestBytes, std::string_view expectedPath, std::string_view expectedState) {
  const std::optional<std::string_view> head = Head(requestBytes.substr(0, kMaxRedirectHeadBytes + 4));
  if (!head) {
    if (requestBytes.size() >= kMaxRedirectHeadBytes + 4) return Refused("ブラウザーからの要求が長すぎます。");
    return {};
  }
  const std::string_view line = head->substr(0, head->find("\r\n"));
  const std::size_t targetEnd = line.rfind(' ');
  if (!line.starts_with("GET ") || targetEnd == line.npos || targetEnd <= 3 || !line.substr(targetEnd + 1).starts_with("HTTP/1.")) {
    return Refused("ブラウザーからの要求が正しくありません。");
  }
  const std::string_view target = line.substr(4, targetEnd - 4);
  const std::size_t question = std::min(target.find('?'), target.size());
  if (target.substr(0, question) != expectedPath) return Refused("ブラウザーからの要求が正しくありません。");

  const std::optional<std::vector<TParameter>> parameters = Parameters(target.substr(std::min(question + 1, target.size())));
  if (!parameters) return Refused("ブラウザーからの要求が正しくありません。");
  bool twice = false;
  const std::string* state = Find(*parameters, "state", twice);
  const std::string* code = Find(*parameters, "code", twice);
  const std::string* error = Find(*parameters, "error", twice);
  const std::string* description = Find(*parameters, "error_description", twice);
  // Checked before anything else is believed: without the state the request may come from anyone.
  if (twice || !state || *state != expectedState) return Refused("サインインの確認値が一致しません。");
  if (error) {
    const std::string reason = PrintableAscii(*error + (description ? ": " + *description : std::string()));
    return Refused(reason.empty() ? "サインインが拒否されました。" : reason);
  }
  if (!code || code->empty() || code->size() > kMaxAuthorizationCodeBytes) {
    return Refused("サインインの応答にコードがありません。");
  }
  return {TRedirect::TKind::Code, *code, {}};
}

std::string RedirectReply(bool ok) {
  // u8: the page is UTF-8 whatever the program's own code page is.
  const std::u8string body = std::u8string(u8"<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">"
                                           u8"<title>ペルモーラ</title></head><body><p>") +
                             (ok ? u8"サインインが終わりました。このページは閉じてかまいません。"
                                 : u8"サインインできませんでした。このページを閉じて、もう一度お試しください。") +
                             u8"</p></body></html>\n";
  std::string reply = ok ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 400 Bad Request\r\n";
  reply += "Content-Type: text/html; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
  reply.append(reinterpret_cast<const char*>(body.data()), body.size());
  return reply;
}
