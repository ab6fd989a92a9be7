#pragma once
// The grammar of IMAP4 (RFC 9051, RFC 3501) as far as a read-only check needs it: responses as the
// transport reads them, with their literals, parsed into values; the commands' string arguments
// quoted or sent as literals; and the reason a refusal gives the user. No socket, no Windows API.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "mailbox/portable/Login.h"
#include "toolkit/portable/Exception.h"

// A response larger than this fails the check instead of filling memory: far above a header block.
inline constexpr std::size_t kMaxImapResponseBytes = 1024 * 1024;
// Lists nested deeper than this make a response malformed: a check reads values a few levels deep.
inline constexpr std::size_t kMaxImapDepth = 32;
// The longest server text shown to the user, in characters.
inline constexpr std::size_t kMaxServerTextChars = 200;



// Collects one response from the lines the transport reads (each with its LF): a line that ends in
// a literal's announcement "{n}" goes on with n bytes, then the rest of the response's line.
class TImapResponseReader {
public:
  explicit TImapResponseReader(std::size_t maxBytes = kMaxImapResponseBytes) : MaxBytes(maxBytes) {}
  // True when the response is complete. A line without LF (the server closed the connection) or a
  // response past the bound throws Exception.
  bool Add(std::string_view line);
  const std::string& Text() const { return Response; }

private:
  std::size_t MaxBytes;
  std::size_t Owed = 0;    // literal bytes still to come
  bool Continues = false;  // a literal was announced: the response goes on after it
  std::string Response;
};

struct TImapValue {
  enum class TKind { Atom, String, Nil, List };
  TKind Kind = TKind::Atom;
  std::string Text;  // an atom as sent (a number, a flag, "BODY[...]"), or a string's content
  std::vector<TImapValue> Items;
};

struct TImapResponse {
  std::string Tag;                 // "*", "+", or the tag of the command it ends
  std::optional<uint32_t> Number;  // n of "* n EXISTS" or "* n FETCH"
  std::string Kind;                // upper case: OK, NO, BAD, BYE, PREAUTH, CAPABILITY, STATUS, FETCH, EXISTS...
  // The status responses (OK, NO, BAD, BYE, PREAUTH): the response code in brackets, upper case, its
  // words, and the text for a human.
  std::string Code;
  std::vector<std::string> CodeWords;
  std::string Text;
  // The other responses: their values after the kind.
  std::vector<TImapValue> Data;

  bool Tagged() const { return Tag != "*" && Tag != "+"; }
};

// One response as the reader collected it; a malformed one throws Exception. Message numbers are
// checked here: FETCH and EXPUNGE need one of 1 or more, EXISTS and RECENT a count.
TImapResponse ParseImapResponse(std::string_view text);

// The upper-cased capabilities of a CAPABILITY response or of a [CAPABILITY ...] code; nothing for
// any other response.
std::optional<std::set<std::string>> Capabilities(const TImapResponse& response);
// MESSAGES of a STATUS response.
std::optional<uint32_t> StatusMessages(const TImapResponse& response);
// UIDVALIDITY of an OK response's code.
std::optional<uint32_t> UidValidity(const TImapResponse& response);
// What a FETCH response gives of a message: its UID and the header fields asked for.
struct TImapFetch {
  std::optional<uint32_t> Uid;
  std::optional<std::string> Header;
};
TImapFetch FetchOf(const TImapResponse& response);

// The reason shown for a refusal received before TLS on an account that requires it: anyone on the
// path may have written the server's words.
inline constexpr const char* kRefusedBeforeTlsText = "暗号化の前にサーバーが接続を拒否しました。";

// The reason line of a refused command: a known response code in Japanese, otherwise the server's
// own text (its printable ASCII only, at most kMaxServerTextChars of it).
std::string RefusalText(const TImapResponse& response);
