#include "imap/ImapClient.h"

#include <algorithm>
#include <map>

#include "imap/portable/ImapCommands.h"
#include "signin/portable/SaslOauth.h"

namespace {

// What one command may receive: the UID listing of the largest mailbox read, with room for the
// updates a server adds to it, or one response at its bound. The time-out measures only silence, so
// a server that talks without end is stopped by these.
constexpr std::size_t kMaxCommandResponses = static_cast<std::size_t>(kMaxListedMessages) + 1000;
constexpr std::size_t kMaxCommandBytes = kMaxImapResponseBytes + kMaxCommandResponses * 100;

}  // namespace

TImapClient::TImapClient(TMessagePump& pump) : TMailboxSession(pump) { Port = 143; }

void TImapClient::DoConnect() {
  // An account that signs in has no password: its access token stands in for it.
  if (UserID.empty() || (Password.empty() && AccessToken.empty())) throw Exception("Authentication failed");
  Capabilities.reset();
  Ids.reset();
  Uids.clear();
  TSockTransport::DoConnect();
  try {
    if (Security == TSecurity::Tls) SecureConnection();
    const TImapResponse greeting = ReadResponse();
    if (greeting.Kind == "BYE") throw Refusal(greeting);
    if (greeting.Tag != "*" || (greeting.Kind != "OK" && greeting.Kind != "PREAUTH"))
      throw Exception("Unexpected IMAP greeting");
    // A session already authenticated can no longer be secured: STARTTLS is refused like a missing one.
    if (greeting.Kind == "PREAUTH" && Security == TSecurity::StartTls)
      throw ETlsError(TlsFailureText(TTlsFailure::NoStartTls));
    NoteCapabilities(greeting);
    if (Security == TSecurity::StartTls) StartTls();
    if (greeting.Kind == "OK") Login();
    if (AskIds) {
      ReadIds();
    } else {
      ReadCount();
    }
  } catch (...) {
    TSockTransport::DoDisconnect();
    throw;
  }
}

// A server that refuses STARTTLS fails the check: the password is never sent in clear.
void TImapClient::StartTls() {
  if (!Capabilities) AskCapabilities();
  if (!Capabilities->contains("STARTTLS")) throw ETlsError(TlsFailureText(TTlsFailure::NoStartTls));
  if (Command({NextTag() + " STARTTLS"}).Kind != "OK") throw ETlsError(TlsFailureText(TTlsFailure::NoStartTls));
  SecureConnection();
  // What the server said before TLS may have been forged on the way.
  Capabilities.reset();
}

void TImapClient::Login() {
  if (!Capabilities) AskCapabilities();
  if (!AccessToken.empty()) return LoginWithToken();
  if (!Capabilities->contains("LOGINDISABLED")) {
    Expect(Command(ImapCommand(NextTag() + " LOGIN", {UserID, Password})));
    return;
  }
  if (!Capabilities->contains("AUTH=PLAIN")) throw Exception("Authentication failed");
  Expect(Command({NextTag() + " AUTHENTICATE PLAIN", PlainCredentials(UserID, Password)}));
}

// XOAUTH2, or OAUTHBEARER where only it is offered, with the token in the command where the server
// takes an initial response. A refused token comes back as an error challenge, answered with an
// empty line before the refusal.
void TImapClient::LoginWithToken() {
  RequireTlsForToken();
  const bool xoauth2 = Capabilities->contains("AUTH=XOAUTH2");
  if (!xoauth2 && !Capabilities->contains("AUTH=OAUTHBEARER")) throw ERefusal(kNoTokenLoginText);
  const std::string head = NextTag() + " AUTHENTICATE " + (xoauth2 ? "XOAUTH2" : "OAUTHBEARER");
  const std::string response = xoauth2 ? Xoauth2(UserID, AccessToken) : OauthBearer(UserID, AccessToken);
  std::vector<std::string> pieces = {head, response};
  if (Capabilities->contains("SASL-IR")) pieces = {head + " " + response};
  std::string reason;
  const TImapResponse tagged = Command(pieces, {}, [&reason](const TImapResponse& challenge) {
    reason = OauthErrorReason(challenge.Text);
    return std::string();
  });
  if (tagged.Kind == "OK") return;
  throw ETokenRefused(reason.empty() ? RefusalText(tagged) : reason);
}

void TImapClient::ReadCount() {
  std::optional<uint32_t> messages;
  Expect(Command({NextTag() + " STATUS \"INBOX\" (MESSAGES)"},
                 [&messages](const TImapResponse& r) {
                   if (const std::optional<uint32_t> n = StatusMessages(r)) messages = n;
                 }));
  if (!messages || *messages > INT32_MAX) throw Exception("No message count in the STATUS response");
  Count = static_cast<int32_t>(*messages);
}

// EXAMINE gives the count as well, so the identities cost one round trip more than the count alone.
void TImapClient::ReadIds() {
  std::optional<uint32_t> exists;
  std::optional<uint32_t> validity;
  Expect(Command({NextTag() + " EXAMINE \"INBOX\""}, [&](const TImapResponse& r) {
    if (r.Kind == "EXISTS" && r.Number) exists = r.Number;
    if (const std::optional<uint32_t> v = UidValidity(r)) validity = v;
  }));
  if (!exists || *exists > INT32_MAX) throw Exception("No message count in the EXAMINE response");
  Count = static_cast<int32_t>(*exists);
  // A mailbox too large to list, or one without UIDVALIDITY, is told by its count.
  if (!validity || Count > kMaxListedMessages) return;
  Uids.assign(static_cast<std::size_t>(Count), 0);
  if (Count > 0) {
    // Mail may come and go meanwhile, but a server tells of a message (EXISTS) before it numbers it:
    // a number beyond that names no message. One that came after EXAMINE is left for the next check.
    uint32_t told = *exists;
    Expect(Command({NextTag() + " FETCH 1:* (UID)"}, [this, &told](const TImapResponse& r) {
      if (r.Kind == "EXISTS") told = *r.Number;
      if ((r.Kind == "FETCH" || r.Kind == "EXPUNGE") && *r.Number > told)
        throw Exception("Message number beyond the mailbox");
      if (r.Kind == "EXPUNGE") --told;
      const TImapFetch fetch = FetchOf(r);
      if (r.Kind == "FETCH" && fetch.Uid && *r.Number <= Uids.size()) Uids[*r.Number - 1] = *fetch.Uid;
    }));
  }
  std::vector<TUidlEntry> ids;
  for (std::size_t i = 0; i < Uids.size(); ++i) {
    // A message expunged by another session meanwhile has no UID here; it is left out.
    if (Uids[i] == 0) continue;
    ids.push_back({static_cast<int32_t>(i + 1), std::to_string(*validity) + ":" + std::to_string(Uids[i])});
  }
  Ids = std::move(ids);
}

// One command for all: a server that sends a reply's rest a while after its first line is waited
// for once. A refused FETCH still leaves the headers that came before the refusal.
std::vector<std::optional<std::string>> TImapClient::Headers(const std::vector<int32_t>& numbers) {
  OperationGuard guard(*this);
  std::vector<std::optional<std::string>> headers(numbers.size());
  std::map<uint32_t, std::size_t> wanted;  // UID -> its place in `numbers`
  std::string set;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const int32_t number = numbers[i];
    if (number < 1 || static_cast<std::size_t>(number) > Uids.size()) continue;
    const uint32_t uid = Uids[static_cast<std::size_t>(number) - 1];
    if (uid == 0 || !wanted.emplace(uid, i).second) continue;
    set += (set.empty() ? "" : ",") + std::to_string(uid);
  }
  if (set.empty()) return headers;
  Command({NextTag() + " UID FETCH " + set + " (BODY.PEEK[HEADER.FIELDS (FROM SUBJECT)])"},
          [&headers, &wanted](const TImapResponse& r) {
            const TImapFetch fetch = FetchOf(r);
            if (!fetch.Uid || !fetch.Header) return;
            if (const auto place = wanted.find(*fetch.Uid); place != wanted.end()) headers[place->second] = fetch.Header;
          });
  return headers;
}

void TImapClient::AskCapabilities() {
  Expect(Command({NextTag() + " CAPABILITY"}, [this](const TImapResponse& r) { NoteCapabilities(r); }));
  if (!Capabilities) throw Exception("No CAPABILITY response");
}

void TImapClient::NoteCapabilities(const TImapResponse& response) {
  if (std::optional<std::set<std::string>> names = ::Capabilities(response)) Capabilities = std::move(names);
}

void TImapClient::ReadResponses(const std::function<bool(TImapResponse&&)>& ends) {
  TImapResponseReader reader;
  std::size_t responses = 0;
  std::size_t bytes = 0;
  // A line inside a literal is no line of the protocol: only the response's bound applies to it.
  Lines().ReadLines(
      [&](const std::string& line) {
        bytes += line.size();
        if (bytes > kMaxCommandBytes) throw Exception("IMAP reply too large");
        if (!reader.Add(line)) return false;
        if (++responses > kMaxCommandResponses) throw Exception("Too many IMAP responses");
        TImapResponse response = ParseImapResponse(reader.Text());
        reader = TImapResponseReader();
        return ends(std::move(response));
      },
      kMaxImapResponseBytes);
}

TImapResponse TImapClient::ReadResponse(const std::string& tag) {
  TImapResponse next;
  ReadResponses([&next, &tag](TImapResponse&& response) {
    next = std::move(response);
    return tag.empty() || next.Tag == tag;
  });
  return next;
}

TImapResponse TImapClient::Command(const std::vector<std::string>& pieces, const Untagged& untagged,
                                   const Challenged& challenged) {
  const std::string tag = pieces.front().substr(0, pieces.front().find(' '));
  DoWriteln(pieces.front());
  std::size_t sent = 1;
  for (;;) {
    TImapResponse ending;
    ReadResponses([this, &ending, &untagged](TImapResponse&& response) {
      if (response.Tag == "+" || response.Tagged()) {
        ending = std::move(response);
        return true;
      }
      // The server ends the session: its text says why.
      if (response.Kind == "BYE") throw Refusal(response);
      if (untagged) untagged(response);
      return false;
    });
    if (ending.Tag == "+") {
      if (sent < pieces.size()) {
        DoWriteln(pieces[sent++]);
      } else if (challenged) {
        DoWriteln(challenged(ending));
      } else {
        throw Exception("Unexpected IMAP continuation");
      }
      continue;
    }
    if (ending.Tag != tag) throw Exception("Unexpected IMAP tag");
    NoteCapabilities(ending);
    return ending;
  }
}

void TImapClient::Expect(const TImapResponse& tagged) {
  if (tagged.Kind != "OK") throw Refusal(tagged);
}

ERefusal TImapClient::Refusal(const TImapResponse& response) const {
  if (Security != TSecurity::None && !Secure()) return ERefusal(kRefusedBeforeTlsText);
  return ERefusal(RefusalText(response));
}

std::string TImapClient::NextTag() {
  std::string tag = std::to_string(++Tags);
  tag.insert(tag.begin(), 'a');
  return tag;
}

// LOGOUT is answered by BYE and then the tagged OK.
void TImapClient::SayGoodbye() {
  const std::string tag = NextTag();
  DoWriteln(tag + " LOGOUT");
  if (ReadResponse(tag).Kind != "OK") throw Exception("LOGOUT refused");
}
