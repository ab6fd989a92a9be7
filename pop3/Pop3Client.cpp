#include "pop3/Pop3Client.h"

#include "pop3/portable/Pop3Rules.h"

#include <algorithm>

#include "signin/portable/SaslOauth.h"

TPOP3Client::TPOP3Client(TMessagePump& pump) : TMailboxSession(pump) { Port = 110; }

void TPOP3Client::DoConnect() {
  int attempts = 0;
  // An account that signs in has no password: its access token stands in for it.
  while ((Password.empty() && AccessToken.empty()) || UserID.empty()) {
    if (!OnAuthenticationNeeded) throw Exception("Authentication failed");
    if (attempts > 0) break;
    bool handled = false;
    OnAuthenticationNeeded(this, handled);
    if (!handled) throw Exception("Authentication failed");
    ++attempts;
  }
  const bool nested = Connecting;
  Connecting = true;
  bool loggedIn = false;
  try {
    TSockTransport::DoConnect();
    try {
      if (Security == TSecurity::Tls) SecureConnection();
      std::string greeting;
      DoReadLn(greeting);
      if (!IsPositiveReply(greeting)) throw Exception(greeting);
      if (Security == TSecurity::StartTls) StartTls();
      attempts = 0;
      if (AccessToken.empty()) {
        Login(attempts);
      } else {
        LoginWithToken();
      }
      loggedIn = true;
      std::string reply;
      DoTransaction("STAT", reply);
      if (!IsPositiveReply(reply)) throw Exception(reply);
      Count = StatMessageCount(reply);
      Ids.reset();
      if (AskIds) AskUidl();
    } catch (...) {
      DoDisconnect();
      throw;
    }
  } catch (...) {
    if (!nested) Connecting = false;
    FinishConnect(loggedIn);
    throw;
  }
  if (!nested) Connecting = false;
  FinishConnect(loggedIn);
}

// A server without UIDL answers with an error: the caller then goes by the count.
void TPOP3Client::AskUidl() {
  // A mailbox too large to list is told by its count.
  if (Count > kMaxListedMessages) return;
  std::string reply;
  DoTransaction("UIDL", reply);
  if (!IsPositiveReply(reply)) return;
  TMultiLineReply listing = TMultiLineReply::Uidl(Count);
  ReadReply(listing);
  Ids = ParseUidlListing(listing.Lines(), Count);
}

void TPOP3Client::ReadReply(TMultiLineReply& reply) {
  Lines().ReadLines([&reply](const std::string& line) { return reply.Add(line); });
}

// A server may send each multi-line reply's rest a while after its first line: sent together, the
// commands pay that wait once instead of once each. One message costs no CAPA.
std::vector<std::optional<std::string>> TPOP3Client::Headers(const std::vector<int32_t>& numbers) {
  OperationGuard guard(*this);
  const bool together = numbers.size() > 1 && Pipelining();
  if (together) {
    std::string commands;
    for (const int32_t number : numbers) commands += "TOP " + std::to_string(number) + " 0\r\n";
    DoWrite(commands);
  }
  std::vector<std::optional<std::string>> headers;
  for (const int32_t number : numbers) {
    std::string reply;
    if (together) {
      DoReadLn(reply);
    } else {
      DoTransaction("TOP " + std::to_string(number) + " 0", reply);
    }
    if (!IsPositiveReply(reply)) {
      headers.emplace_back();
      continue;
    }
    TMultiLineReply header = TMultiLineReply::Top();
    ReadReply(header);
    headers.emplace_back(header.Text());
  }
  return headers;
}

bool TPOP3Client::Pipelining() {
  std::string reply;
  DoTransaction("CAPA", reply);
  if (!IsPositiveReply(reply)) return false;
  TMultiLineReply capabilities = TMultiLineReply::Capa();
  ReadReply(capabilities);
  return ListsCapability(capabilities.Lines(), "PIPELINING");
}

void TPOP3Client::FinishConnect(bool loggedIn) {
  if (loggedIn) OnConnect(this);
}

// A server that refuses STLS fails the check: the password is never sent in clear.
void TPOP3Client::StartTls() {
  std::string reply;
  DoTransaction("STLS", reply);
  if (!IsPositiveReply(reply)) throw ETlsError(TlsFailureText(TTlsFailure::NoStartTls));
  SecureConnection();
}

void TPOP3Client::Login(int& attempts) {
  bool ok = false;
  while (!ok) {
    std::string reply;
    DoTransaction("USER " + UserID, reply);
    if (ReplyOK(reply, attempts)) {
      DoTransaction("PASS " + Password, reply);
      ok = ReplyOK(reply, attempts);
    }
    ++attempts;
  }
}

// AUTH XOAUTH2 (or OAUTHBEARER where CAPA's SASL line names only it) with the initial response. A
// refused token comes back as an error challenge, answered with an empty line before the -ERR.
void TPOP3Client::LoginWithToken() {
  RequireTlsForToken();
  std::string reply;
  DoTransaction("CAPA", reply);
  std::vector<std::string> mechanisms;
  if (IsPositiveReply(reply)) {
    TMultiLineReply capabilities = TMultiLineReply::Capa();
    ReadReply(capabilities);
    mechanisms = CapabilityArguments(capabilities.Lines(), "SASL");
  }
  const auto offers = [&mechanisms](std::string_view name) {
    return std::find(mechanisms.begin(), mechanisms.end(), name) != mechanisms.end();
  };
  const bool xoauth2 = offers("XOAUTH2");
  if (!xoauth2 && !offers("OAUTHBEARER")) throw ERefusal(kNoTokenLoginText);
  DoTransaction(xoauth2 ? "AUTH XOAUTH2 " + Xoauth2(UserID, AccessToken)
                        : "AUTH OAUTHBEARER " + OauthBearer(UserID, AccessToken),
                reply);
  if (IsPositiveReply(reply)) return;
  std::string reason = "ユーザー名またはパスワードが正しくありません。";
  if (reply.starts_with("+")) {
    std::string_view challenge = std::string_view(reply).substr(1);
    while (!challenge.empty() && (challenge.back() == '\n' || challenge.back() == '\r')) challenge.remove_suffix(1);
    while (!challenge.empty() && challenge.front() == ' ') challenge.remove_prefix(1);
    reason = OauthErrorReason(challenge);
    DoTransaction("", reply);
  }
  throw ETokenRefused(reason);
}

bool TPOP3Client::ReplyOK(const std::string& reply, int& attempts) {
  if (IsPositiveReply(reply)) return true;
  if (attempts > 0 || !OnAuthenticationFailed) throw Exception("Authentication failed");
  bool handled = false;
  OnAuthenticationFailed(this, handled);
  if (!handled) throw Exception("Authentication failed");
  ++attempts;
  return false;
}

void TPOP3Client::SayGoodbye() {
  std::string reply;
  DoTransaction("QUIT", reply);
  if (!IsPositiveReply(reply)) throw Exception(reply);
}
