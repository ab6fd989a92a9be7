#include "imap/portable/IdleDialogue.h"

#include <utility>

#include "imap/portable/ImapCommands.h"

void TImapResponseStream::Add(std::string_view bytes, const std::function<void(const TImapResponse&)>& take) {
  while (!bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    const std::size_t end = lf == std::string_view::npos ? bytes.size() : lf + 1;
    Line.append(bytes.substr(0, end));
    bytes.remove_prefix(end);
    if (Line.size() >= kMaxImapResponseBytes) throw Exception("IMAP reply too large");
    if (Line.back() != '\n') return;
    const bool complete = Reader.Add(Line);
    Line.clear();
    if (!complete) continue;
    const TImapResponse response = ParseImapResponse(Reader.Text());
    Reader = TImapResponseReader();
    take(response);
  }
}

TIdleDialogue::TIdleDialogue(TSecurity security, std::string user, std::string password)
    : Security(security), User(std::move(user)), Password(std::move(password)), Secure(security == TSecurity::Tls) {}

TIdleOutput TIdleDialogue::Take(const TImapResponse& response) {
  if (Step == TStep::Over) return {};
  if (std::optional<std::set<std::string>> names = ::Capabilities(response)) Capabilities = std::move(names);
  // The server ends the session: its text says why.
  if (response.Kind == "BYE") return Fail(Refusal(response));
  if (response.Tag == "+") {
    if (Step == TStep::IdleStart) {
      Step = TStep::Idling;
      TIdleOutput out;
      out.Idling = true;
      return out;
    }
    if (Pending.empty()) return Fail("Unexpected IMAP continuation");
    TIdleOutput out;
    out.Send = Pending.front() + "\r\n";
    Pending.erase(Pending.begin());
    return out;
  }
  if (response.Tagged()) {
    if (response.Tag != Tag) return Fail("Unexpected IMAP tag");
    return AfterTagged(response);
  }
  if (Step == TStep::Greeting) {
    if (response.Kind == "PREAUTH") {
      // A session already authenticated can no longer be secured.
      if (Security == TSecurity::StartTls) return Fail(TlsFailureText(TTlsFailure::NoStartTls));
      const std::string tag = NextTag();
      return Command(TStep::CapabilityAfterLogin, {tag + " CAPABILITY"});
    }
    if (response.Kind != "OK") return Fail("Unexpected IMAP greeting");
    if (Security != TSecurity::StartTls) return Login();
    const std::string tag = NextTag();
    return Command(TStep::StartTls, {tag + " STARTTLS"});
  }
  TIdleOutput out;
  const bool watching = Step == TStep::IdleStart || Step == TStep::Idling || Step == TStep::Done;
  out.Mail = watching && (response.Kind == "EXISTS" || response.Kind == "EXPUNGE");
  return out;
}

TIdleOutput TIdleDialogue::AfterTagged(const TImapResponse& response) {
  const bool ok = response.Kind == "OK";
  switch (Step) {
    case TStep::StartTls: {
      // A server that refuses STARTTLS is never sent the password in clear.
      if (!ok) return Fail(TlsFailureText(TTlsFailure::NoStartTls));
      TIdleOutput out;
      out.StartTls = true;
      return out;
    }
    case TStep::Capability:
      if (!ok) return Fail(Refusal(response));
      return Login();
    case TStep::Login: {
      if (!ok) return Fail(Refusal(response));
      // What the server can do may change with the login.
      Capabilities.reset();
      const std::string tag = NextTag();
      return Command(TStep::CapabilityAfterLogin, {tag + " CAPABILITY"});
    }
    case TStep::CapabilityAfterLogin: {
      if (!ok) return Fail(Refusal(response));
      if (!Capabilities || !Capabilities->contains("IDLE")) {
        TIdleOutput out;
        out.Send = Goodbye();
        out.NoIdle = true;
        return out;
      }
      const std::string tag = NextTag();
      return Command(TStep::Examine, {tag + " EXAMINE \"INBOX\""});
    }
    case TStep::Examine:
    case TStep::Done:
    case TStep::Idling: {
      // After the mailbox is open, after DONE, or when the server ended IDLE itself: IDLE again.
      if (!ok) return Fail(Refusal(response));
      const std::string tag = NextTag();
      return Command(TStep::IdleStart, {tag + " IDLE"});
    }
    default:
      return Fail(Refusal(response));
  }
}

TIdleOutput TIdleDialogue::TlsStarted() {
  Secure = true;
  // What the server said before TLS may have been forged on the way.
  Capabilities.reset();
  return Login();
}

TIdleOutput TIdleDialogue::Login() {
  const std::string tag = NextTag();
  if (!Capabilities) return Command(TStep::Capability, {tag + " CAPABILITY"});
  if (!Capabilities->contains("LOGINDISABLED")) return Command(TStep::Login, ImapCommand(tag + " LOGIN", {User, Password}));
  if (!Capabilities->contains("AUTH=PLAIN")) return Fail("Authentication failed");
  return Command(TStep::Login, {tag + " AUTHENTICATE PLAIN", PlainCredentials(User, Password)});
}

TIdleOutput TIdleDialogue::Renew() {
  if (Step != TStep::Idling) return {};
  Step = TStep::Done;
  TIdleOutput out;
  out.Send = "DONE\r\n";
  return out;
}

std::string TIdleDialogue::Goodbye() {
  if (Step == TStep::Over) return {};
  std::string bytes = Step == TStep::Idling || Step == TStep::IdleStart ? "DONE\r\n" : "";
  // In the middle of STARTTLS the next bytes belong to the handshake.
  if (Step != TStep::StartTls) bytes += NextTag() + " LOGOUT\r\n";
  Step = TStep::Over;
  return bytes;
}

TIdleOutput TIdleDialogue::Command(TStep step, std::vector<std::string> pieces) {
  Step = step;
  Tag = pieces.front().substr(0, pieces.front().find(' '));
  TIdleOutput out;
  out.Send = pieces.front() + "\r\n";
  Pending.assign(std::make_move_iterator(pieces.begin() + 1), std::make_move_iterator(pieces.end()));
  return out;
}

TIdleOutput TIdleDialogue::Fail(std::string reason) {
  Step = TStep::Over;
  TIdleOutput out;
  out.Failure = std::move(reason);
  return out;
}

std::string TIdleDialogue::Refusal(const TImapResponse& response) const {
  if (Security != TSecurity::None && !Secure) return kRefusedBeforeTlsText;
  return RefusalText(response);
}

std::string TIdleDialogue::NextTag() {
  std::string tag = "w";
  tag += std::to_string(++Tags);
  return tag;
}
