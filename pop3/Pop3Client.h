#pragma once
// The POP3 session: Connect logs in (greeting, USER, PASS) and asks STAT, leaving the mailbox's
// message count in MessageCount; Disconnect says QUIT and closes. With Security set, the session is
// secured before the login.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mailbox/MailboxSession.h"
#include "pop3/portable/Pop3Listing.h"
#include "pop3/portable/Pop3Rules.h"

// A fetched message and its summary. Nothing fetches messages yet; they are kept for the session's
// fetching side.
struct TMailMessage {
  std::string Header;
  std::string Body;
};

struct TSummary {
  std::string Subject;
  std::string From;
  std::string MessageId;
  int32_t Bytes = 0;
  std::string Header;
};

// AskIds: Connect also asks UIDL after STAT; MessageIds() then holds the listing.
class TPOP3Client : public TMailboxSession {
public:
  explicit TPOP3Client(TMessagePump& pump);

  // Published properties: plain stores.
  bool Parse = false;
  bool DeleteOnRead = false;
  // The login succeeded (this hides the transport's OnConnect, which reports the TCP connection).
  Event<TObject*> OnConnect;
  Event<TObject*, bool&> OnAuthenticationNeeded;  // UserID or Password is empty
  Event<TObject*, bool&> OnAuthenticationFailed;  // USER or PASS was refused
  // Events of message fetching; this session never fires them.
  Event<TObject*, bool&> OnConnectionRequired;
  Event<TObject*> OnPacketRecvd;
  Event<TObject*> OnReset;
  Event<TObject*, int32_t, int32_t> OnList;  // message number, size
  Event<TObject*> OnRetrieveStart;
  Event<TObject*> OnRetrieveEnd;
  Event<TObject*> OnSuccess;
  Event<TObject*> OnFailure;
  Event<TObject*, std::string&> OnDecodeStart;  // the file name, which the handler may change
  Event<TObject*> OnDecodeEnd;

  // Stored with a trailing backslash added when it has none.
  void SetAttachFilePath(const std::string& path) { AttachPath = WithTrailingBackslash(path); }
  const std::string& AttachFilePath() const { return AttachPath; }

  // MessageIds() are the UIDL listing's; Headers reads TOP number 0 for each, the commands sent
  // together where the server lists PIPELINING.
  std::vector<std::optional<std::string>> Headers(const std::vector<int32_t>& numbers) override;
  bool InConnect() const { return Connecting; }
  int32_t BytesRecvd() const { return 0; }
  int32_t BytesTotal() const { return 0; }
  TMailMessage MailMessage;
  TSummary Summary;

protected:
  void DoConnect() override;
  void SayGoodbye() override;

private:
  void StartTls();
  void Login(int& attempts);
  void LoginWithToken();
  bool ReplyOK(const std::string& reply, int& attempts);
  void FinishConnect(bool loggedIn);
  void AskUidl();
  // CAPA lists PIPELINING (RFC 2449): the server takes commands before it has answered the last.
  bool Pipelining();
  // The lines of a multi-line reply up to its ".", within the reply's bounds.
  void ReadReply(TMultiLineReply& reply);

  std::string AttachPath;
  bool Connecting = false;
};
