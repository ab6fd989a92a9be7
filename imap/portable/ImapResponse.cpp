#include "imap/portable/ImapResponse.h"

#include <algorithm>
#include <cctype>

namespace {

[[noreturn]] void Malformed() { throw Exception("Malformed IMAP response"); }

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::optional<uint32_t> Number(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

// The "{n}" that ends `text` before its line break, if any.
std::optional<std::size_t> LiteralAnnounced(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  if (text.empty() || text.back() != '}') return std::nullopt;
  const std::size_t open = text.rfind('{');
  if (open == std::string_view::npos) return std::nullopt;
  const std::optional<uint32_t> n = Number(text.substr(open + 1, text.size() - open - 2));
  if (!n) return std::nullopt;
  return *n;
}

class TCursor {
public:
  explicit TCursor(std::string_view text) : Text(text) {}

  bool AtEnd() {
    while (Pos < Text.size() && Text[Pos] == ' ') ++Pos;
    return Pos == Text.size() || Text[Pos] == '\r' || Text[Pos] == '\n';
  }
  // Up to the next blank or the end of the line.
  std::string_view Word() {
    AtEnd();
    const std::size_t start = Pos;
    while (Pos < Text.size() && Text[Pos] != ' ' && Text[Pos] != '\r' && Text[Pos] != '\n') ++Pos;
    if (Pos == start) Malformed();
    return Text.substr(start, Pos - start);
  }
  // The rest of the line, without its line break.
  std::string_view Rest() {
    AtEnd();
    const std::size_t end = Text.find_first_of("\r\n", Pos);
    std::string_view rest = Text.substr(Pos, end == std::string_view::npos ? std::string_view::npos : end - Pos);
    Pos = end == std::string_view::npos ? Text.size() : end;
    return rest;
  }
  bool Peek(char c) { return !AtEnd() && Text[Pos] == c; }
  // The bracketed code after a status kind, without its brackets.
  std::string_view Bracketed() {
    const std::size_t close = Text.find(']', Pos);
    if (close == std::string_view::npos) Malformed();
    const std::string_view inner = Text.substr(Pos + 1, close - Pos - 1);
    Pos = close + 1;
    return inner;
  }

  // `depth` counts the lists around the value: the server's nesting never drives the recursion
  // deeper than kMaxImapDepth.
  TImapValue Value(std::size_t depth = 0) {
    if (AtEnd()) Malformed();
    TImapValue value;
    switch (Text[Pos]) {
      case '(':
        if (depth == kMaxImapDepth) Malformed();
        ++Pos;
        value.Kind = TImapValue::TKind::List;
        while (!Peek(')')) value.Items.push_back(Value(depth + 1));
        ++Pos;
        return value;
      case '"':
        value.Kind = TImapValue::TKind::String;
        value.Text = Quoted();
        return value;
      case '{':
        value.Kind = TImapValue::TKind::String;
        value.Text = Literal();
        return value;
      case ')':
        Malformed();
      default:
        value.Text = Atom();
        if (Upper(value.Text) == "NIL") value.Kind = TImapValue::TKind::Nil;
        return value;
    }
  }

private:
  std::string Quoted() {
    std::string text;
    for (++Pos; Pos < Text.size(); ++Pos) {
      const char c = Text[Pos];
      if (c == '"') {
        ++Pos;
        return text;
      }
      if (c == '\r' || c == '\n') break;
      if (c == '\\' && ++Pos == Text.size()) break;
      text += Text[Pos];
    }
    Malformed();
  }

  std::string Literal() {
    const std::size_t close = Text.find('}', Pos);
    if (close == std::string_view::npos) Malformed();
    const std::optional<uint32_t> n = Number(Text.substr(Pos + 1, close - Pos - 1));
    std::size_t start = close + 1;
    if (Text.substr(start, 2) == "\r\n") {
      start += 2;
    } else if (Text.substr(start, 1) == "\n") {
      start += 1;
    } else {
      Malformed();
    }
    if (!n || Text.size() - start < *n) Malformed();
    Pos = start + *n;
    return std::string(Text.substr(start, *n));
  }

  // An atom, with a section in brackets ("BODY[HEADER.FIELDS (FROM SUBJECT)]") as part of it.
  std::string Atom() {
    const std::size_t start = Pos;
    while (Pos < Text.size()) {
      const char c = Text[Pos];
      if (c == '[') {
        const std::size_t close = Text.find(']', Pos);
        if (close == std::string_view::npos) Malformed();
        Pos = close + 1;
        continue;
      }
      if (c == ' ' || c == '(' || c == ')' || c == '\r' || c == '\n' || c == '"' || c == '{') break;
      ++Pos;
    }
    if (Pos == start) Malformed();
    return std::string(Text.substr(start, Pos - start));
  }

  std::string_view Text;
  std::size_t Pos = 0;
};

bool IsStatus(std::string_view kind) {
  return kind == "OK" || kind == "NO" || kind == "BAD" || kind == "BYE" || kind == "PREAUTH";
}

// A message number becomes an index into the session's listing, and no message has number 0.
void CheckNumber(const TImapResponse& response) {
  if (response.Kind == "FETCH" || response.Kind == "EXPUNGE") {
    if (!response.Number || *response.Number == 0) Malformed();
  } else if (response.Kind == "EXISTS" || response.Kind == "RECENT") {
    if (!response.Number) Malformed();
  }
}

}  // namespace

bool TImapResponseReader::Add(std::string_view line) {
  if (line.empty() || line.back() != '\n') throw Exception("The server closed the connection inside a response");
  if (Response.size() + line.size() > MaxBytes) throw Exception("IMAP response too large");
  Response.append(line);
  std::size_t textStart = 0;
  if (Owed > 0 || Continues) {
    // The literal's bytes may end at this very line break: the response's line then follows.
    if (line.size() <= Owed) {
      Owed -= line.size();
      return false;
    }
    textStart = Owed;
    Owed = 0;
  }
  const std::optional<std::size_t> announced = LiteralAnnounced(line.substr(textStart));
  Continues = announced.has_value();
  if (Continues) Owed = *announced;
  return !Continues;
}

TImapResponse ParseImapResponse(std::string_view text) {
  TCursor cursor(text);
  TImapResponse response;
  response.Tag = cursor.Word();
  if (response.Tag == "+") {
    response.Text = cursor.Rest();
    return response;
  }
  std::string kind = Upper(cursor.Word());
  if (!response.Tagged() && (response.Number = Number(kind))) kind = Upper(cursor.Word());
  response.Kind = kind;
  if (IsStatus(kind)) {
    if (cursor.Peek('[')) {
      TCursor code(cursor.Bracketed());
      if (!code.AtEnd()) response.Code = Upper(code.Word());
      while (!code.AtEnd()) {
        std::string word(code.Word());
        std::erase_if(word, [](char c) { return c == '(' || c == ')'; });
        response.CodeWords.push_back(word);
      }
    }
    response.Text = cursor.Rest();
    return response;
  }
  if (response.Tagged()) Malformed();
  CheckNumber(response);
  while (!cursor.AtEnd()) response.Data.push_back(cursor.Value());
  return response;
}

std::optional<std::set<std::string>> Capabilities(const TImapResponse& response) {
  std::set<std::string> names;
  if (response.Kind == "CAPABILITY") {
    for (const TImapValue& value : response.Data) names.insert(Upper(value.Text));
    return names;
  }
  if (response.Code == "CAPABILITY") {
    for (const std::string& word : response.CodeWords) names.insert(Upper(word));
    return names;
  }
  return std::nullopt;
}

std::optional<uint32_t> StatusMessages(const TImapResponse& response) {
  if (response.Kind != "STATUS" || response.Data.size() != 2) return std::nullopt;
  const std::vector<TImapValue>& items = response.Data[1].Items;
  for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
    if (Upper(items[i].Text) == "MESSAGES") return Number(items[i + 1].Text);
  }
  return std::nullopt;
}

std::optional<uint32_t> UidValidity(const TImapResponse& response) {
  if (response.Kind != "OK" || response.Code != "UIDVALIDITY" || response.CodeWords.empty()) return std::nullopt;
  return Number(response.CodeWords.front());
}

TImapFetch FetchOf(const TImapResponse& response) {
  TImapFetch fetch;
  if (response.Kind != "FETCH" || response.Data.size() != 1) return fetch;
  const std::vector<TImapValue>& items = response.Data[0].Items;
  for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
    const std::string name = Upper(items[i].Text);
    if (name == "UID") fetch.Uid = Number(items[i + 1].Text);
    if (name.starts_with("BODY[HEADER.FIELDS") && items[i + 1].Kind != TImapValue::TKind::List)
      fetch.Header = items[i + 1].Kind == TImapValue::TKind::Nil ? std::string() : items[i + 1].Text;
  }
  return fetch;
}

std::string RefusalText(const TImapResponse& response) {
  if (response.Code == "AUTHENTICATIONFAILED" || response.Code == "AUTHORIZATIONFAILED")
    return "ユーザー名またはパスワードが正しくありません。";
  if (response.Code == "EXPIRED") return "パスワードの有効期限が切れています。";
  if (response.Code == "PRIVACYREQUIRED") return "保護されていない接続ではログインできません。";
  if (response.Code == "UNAVAILABLE") return "サーバーが一時的に利用できません。";
  std::string text;
  for (const char c : response.Text) {
    if (c >= 0x20 && c < 0x7f) text += c;
  }
  // One byte is one character here, so the cut splits none.
  if (text.size() > kMaxServerTextChars) text.replace(kMaxServerTextChars - 1, std::string::npos, "…");
  return "サーバーの応答: " + text;
}
