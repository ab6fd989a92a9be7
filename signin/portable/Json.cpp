#include "signin/portable/Json.h"

#include <algorithm>
#include <cstdint>

#include "toolkit/portable/Exception.h"

namespace {

[[noreturn]] void Malformed() { throw Exception("Malformed JSON"); }

class TReader {
public:
  explicit TReader(std::string_view text) : Text(text) {}

  TJson Value(std::size_t depth) {
    SkipBlanks();
    TJson value;
    switch (Next()) {
      case '{':
        if (depth == kMaxJsonDepth) Malformed();
        value.Kind = TJson::TKind::Object;
        Members(value, depth + 1);
        break;
      case '[':
        if (depth == kMaxJsonDepth) Malformed();
        value.Kind = TJson::TKind::Array;
        Elements(value, depth + 1);
        break;
      case '"':
        value.Kind = TJson::TKind::String;
        value.Text = String();
        break;
      case 't':
        Word("rue");
        value.Kind = TJson::TKind::Bool;
        value.Bool = true;
        break;
      case 'f':
        Word("alse");
        value.Kind = TJson::TKind::Bool;
        break;
      case 'n':
        Word("ull");
        break;
      default:
        --Pos;
        value.Kind = TJson::TKind::Number;
        value.Text = Number();
    }
    return value;
  }

  void End() {
    SkipBlanks();
    if (Pos != Text.size()) Malformed();
  }

private:
  char Next() {
    if (Pos == Text.size()) Malformed();
    return Text[Pos++];
  }

  bool Take(char c) {
    SkipBlanks();
    if (Pos < Text.size() && Text[Pos] == c) {
      ++Pos;
      return true;
    }
    return false;
  }

  void SkipBlanks() {
    while (Pos < Text.size() && (Text[Pos] == ' ' || Text[Pos] == '\t' || Text[Pos] == '\n' || Text[Pos] == '\r')) ++Pos;
  }

  void Word(std::string_view rest) {
    if (Text.substr(Pos, rest.size()) != rest) Malformed();
    Pos += rest.size();
  }

  void Members(TJson& object, std::size_t depth) {
    if (Take('}')) return;
    do {
      if (!Take('"')) Malformed();
      std::string name = String();
      if (std::find(object.Names.begin(), object.Names.end(), name) != object.Names.end()) Malformed();
      if (!Take(':') || object.Items.size() == kMaxJsonItems) Malformed();
      object.Names.push_back(std::move(name));
      object.Items.push_back(Value(depth));
    } while (Take(','));
    if (!Take('}')) Malformed();
  }

  void Elements(TJson& array, std::size_t depth) {
    if (Take(']')) return;
    do {
      if (array.Items.size() == kMaxJsonItems) Malformed();
      array.Items.push_back(Value(depth));
    } while (Take(','));
    if (!Take(']')) Malformed();
  }

  std::size_t Digits() {
    const std::size_t start = Pos;
    while (Pos < Text.size() && Text[Pos] >= '0' && Text[Pos] <= '9') ++Pos;
    return Pos - start;
  }

  std::string Number() {
    const std::size_t start = Pos;
    if (Pos < Text.size() && Text[Pos] == '-') ++Pos;
    const std::size_t first = Pos;
    const std::size_t whole = Digits();
    if (whole == 0 || (whole > 1 && Text[first] == '0')) Malformed();
    if (Pos < Text.size() && Text[Pos] == '.') {
      ++Pos;
      if (Digits() == 0) Malformed();
    }
    if (Pos < Text.size() && (Text[Pos] == 'e' || Text[Pos] == 'E')) {
      ++Pos;
      if (Pos < Text.size() && (Text[Pos] == '+' || Text[Pos] == '-')) ++Pos;
      if (Digits() == 0) Malformed();
    }
    return std::string(Text.substr(start, Pos - start));
  }

  uint32_t Hex4() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = Next();
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) Malformed();
      value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
  }

  // A \u escape, with the low half of a surrogate pair when it starts one.
  uint32_t CodePoint() {
    const uint32_t unit = Hex4();
    if (unit >= 0xDC00 && unit <= 0xDFFF) Malformed();
    if (unit < 0xD800 || unit > 0xDBFF) return unit;
    if (Next() != '\\' || Next() != 'u') Malformed();
    const uint32_t low = Hex4();
    if (low < 0xDC00 || low > 0xDFFF) Malformed();
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
  }

  static void AppendUtf8(std::string& text, uint32_t code) {
    if (code < 0x80) {
      text += static_cast<char>(code);
    } else if (code < 0x800) {
      text += static_cast<char>(0xC0 | (code >> 6));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      text += static_cast<char>(0xE0 | (code >> 12));
      text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | (code >> 18));
      text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // After the opening quote, up to and with the closing one.
  std::string String() {
    std::string text;
    for (;;) {
      const char c = Next();
      if (c == '"') return text;
      if (static_cast<unsigned char>(c) < 0x20) Malformed();
      if (c != '\\') {
        text += c;
        continue;
      }
      switch (const char escaped = Next()) {
        case '"': case '\\': case '/': text += escaped; break;
        case 'b': text += '\b'; break;
        case 'f': text += '\f'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        case 'u': AppendUtf8(text, CodePoint()); break;
        default: Malformed();
      }
    }
  }

  std::string_view Text;
  std::size_t Pos = 0;
};

}  // namespace

const TJson* TJson::Member(std::string_view name) const {
  if (Kind != TKind::Object) return nullptr;
  const auto found = std::find(Names.begin(), Names.end(), name);
  return found == Names.end() ? nullptr : &Items[static_cast<std::size_t>(found - Names.begin())];
}

TJson ParseJson(std::string_view text) {
  if (text.size() > kMaxJsonBytes) Malformed();
  TReader reader(text);
  TJson value = reader.Value(0);
  reader.End();
  return value;
}
