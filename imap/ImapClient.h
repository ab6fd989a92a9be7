#pragma once
// The IMAP session of a check, read-only: Connect logs in (greeting, STARTTLS or TLS as Security
// says, LOGIN or AUTHENTICATE PLAIN) and reads the INBOX's message count into MessageCount, with
// AskIds also the messages' identities; Disconnect says LOGOUT and closes. Nothing here sets a flag:
// the INBOX is only examined and headers are fetched with PEEK.
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "mailbox/MailboxSession.h"
#include "imap/portable/ImapResponse.h"
#include "pop3/portable/Pop3Listing.h"

class TImapClient : public TMailboxSession {
public:
  explicit TImapClient(TMessagePump& pump);

  // MessageIds() are "UIDVALIDITY:UID" by sequence number; Headers reads the From and Subject fields
  // of all in one UID FETCH, nothing for a message the server has no more.
  std::vector<std::optional<std::string>> Headers(const std::vector<int32_t>& numbers) override;

protected:
  void DoConnect() override;
  void SayGoodbye() override;

private:
  using Untagged = std::function<void(const TImapResponse&)>;
  // The line to answer a continuation that came after the command's last piece.
  using Challenged = std::function<std::string(const TImapResponse&)>;

  // Reads responses, the lines that came together taken together, until `ends` says the last one
  // handed to it ends the read. More responses or bytes than any real reply holds throw.
  void ReadResponses(const std::function<bool(TImapResponse&&)>& ends);
  // The next response; with a tag, the next one with that tag, the responses before it skipped.
  TImapResponse ReadResponse(const std::string& tag = {});
  // Sends a command in its pieces and reads up to its tagged response, which it returns; each
  // untagged response goes to `untagged`. A BYE or a response out of place throws.
  TImapResponse Command(const std::vector<std::string>& pieces, const Untagged& untagged = {},
                        const Challenged& challenged = {});
  // The tagged response must be OK; a NO or BAD throws ERefusal with its reason.
  void Expect(const TImapResponse& tagged);
  // A refusal (BYE, NO, BAD) with the reason the user is shown.
  ERefusal Refusal(const TImapResponse& response) const;
  void NoteCapabilities(const TImapResponse& response);
  void AskCapabilities();
  void StartTls();
  void Login();
  void LoginWithToken();
  void ReadCount();
  void ReadIds();
  std::string NextTag();

  std::optional<std::set<std::string>> Capabilities;
  uint32_t Tags = 0;
  std::vector<uint32_t> Uids;  // by sequence number - 1
};
