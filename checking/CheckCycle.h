#pragma once
// The check cycle: one pass over the account table in which every account marked for checking is
// logged in to over its protocol, its message count compared with the one last seen for its row, and its new-mail
// action or its failure message shown.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "accounts/portable/AccountTable.h"
#include "checking/portable/CheckRules.h"
#include "checking/portable/MailHeader.h"
#include "checking/portable/QuietRules.h"
#include "checking/portable/SeenIds.h"
#include "checking/portable/Standing.h"
#include "transport/portable/TlsRules.h"
#include "toolkit/portable/Event.h"

class TMci;
class TSignIns;
class TMediaPlayer;
class TImapClient;
class TMailboxSession;
class TPOP3Client;
struct TLogin;

namespace checking {

class TQuietTimes;

class TCheckCycle {
public:
  // The cycle works on the owner's table, clients, player and MCI, which outlive it.
  TCheckCycle(accounts::AccountTable& accounts, TPOP3Client& client, TImapClient& imap, TMediaPlayer& player,
              TMci& mci);

  // Runs a cycle. Its waits and message boxes dispatch messages, so a tick or the menu can ask for a
  // check meanwhile: that never reaches the client mid-session, but runs once more after this cycle.
  void Run();
  // A check of only the accounts with these keys that are in the table and marked for checking, each
  // as a cycle checks it, with the same notices. Never inside a running check: asked for meanwhile,
  // the accounts are checked right after it, or by a whole cycle asked for meanwhile.
  void RunOnly(const std::vector<AccountKey>& accounts);
  // The accounts of the table whose last check failed, until a check of theirs succeeds.
  std::vector<AccountKey> FailedAccounts() const;
  // The user is leaving: a running session is aborted and the open message box closed, no failure
  // is reported for it, and no further account is contacted or cycle run.
  void Stop();
  bool Stopped() const { return IsStopped; }

  // The tokens of the accounts that sign in; without them such an account is told to sign in.
  void SetSignIns(TSignIns& signIns) { SignIns = &signIns; }

  // While `quiet` says so, message boxes, sounds and the CD tray wait (balloons too in the user's
  // quiet hours) for one summary that ShowHeld gives once it ends.
  void SetQuiet(TQuietTimes& quiet) { QuietTimes = &quiet; }
  // The notices held, as one notice of the way the cycle's notices go; nothing while they still
  // wait, inside a cycle, or once the user is leaving.
  void ShowHeld();

  // The bound of each network wait, in milliseconds.
  void SetTimeOut(std::int32_t milliseconds) { TimeOutMs = milliseconds; }
  std::int32_t TimeOut() const { return TimeOutMs; }

  // New mail told by message identity (UIDL) instead of by the count, with the ids seen kept in
  // `idsFile` between runs.
  void SetNewMailByIdentity(bool on) { ByIdentity = on; }
  void SetIdsFile(std::string idsFile) { IdsFile = std::move(idsFile); }

  // New-mail and failure notices gathered into one summary at the end of each cycle (for a balloon)
  // instead of a message box each, so that the cycle never waits for the user. Taken at the start of
  // the next cycle: a cycle's notices all go one way.
  void SetNoticesInBalloon(bool on) { InBalloon = on; }
  struct TSummary {
    std::vector<std::u16string> NewMail;  // one notice per account with new mail
    std::vector<std::u16string> Failures;
    std::int32_t NewMessages = 0;
  };
  // After a cycle that had something to tell, with notices in a balloon.
  Event<TCheckCycle*, const TSummary&> OnSummary;
  // Before each account is contacted, with its name (CP932); with an empty name once no cycle runs.
  Event<TCheckCycle*, const std::string&> OnProgress;
  // One account's check as it ended, when its session ended (not when its notice was answered).
  struct TChecked {
    const accounts::AccountTable::RowMark& Row;
    std::string Name;
    std::string Protocol;  // as the grid shows it
    std::string Password;  // for whoever writes the outcome down to leave out
    TWallTime At;
    std::uint64_t DurationMs = 0;
    TCheckOutcome Outcome;
  };
  // After each account's check and its notices; not for an account the user's leaving cut short or
  // deleted meanwhile, nor for one that must sign in again and is not contacted.
  Event<TCheckCycle*, const TChecked&> OnChecked;

  // The message count last seen for each table row: all zero at start, never saved. Counts stay by
  // row, and a row beyond the end has none recorded yet.
  const std::vector<std::int32_t>& LastMailCount() const { return Counts; }

private:
  // What one session found new, when it could tell by identity.
  struct TNews {
    std::size_t Count = 0;
    std::vector<MailSummary> NewestFirst;
  };

  void Start(const CheckRequests::Only& only);
  void CheckAccounts(const CheckRequests::Only& only);
  // The key of the table row's account; nothing for a row whose connection cannot be read, which is
  // never checked.
  std::optional<AccountKey> KeyOfRow(int row) const;
  std::vector<AccountKey> PresentAccounts() const;
  std::string CheckedCell(const accounts::AccountTable::RowMark& checked, accounts::Column column) const;
  // The messages told of as new; nothing when the account was not contacted.
  std::optional<std::int32_t> CheckAccount(const accounts::AccountTable::RowMark& checked);
  // The session of either protocol and what follows it; the messages told of as new.
  std::int32_t CheckWith(TMailboxSession& session, const TLogin& login, const accounts::AccountTable::RowMark& checked,
                 TProtocol protocol);
  // Between the login and the logout: the messages whose ids were not seen before, with the headers
  // of the newest; the ids seen so far become the ones present now. The file is read once a run:
  // afterwards the ids in memory are ahead of it whenever it could not be written.
  TNews ReadNews(TMailboxSession& session, const AccountKey& account, TProtocol protocol);
  // The ids file without the accounts no longer in the table. Run only once the notices of the ids
  // it records were shown; a file that cannot be written is reported as a failure of its own.
  void SaveIds();
  // The account's session is over: what follows waits for the user, and is no part of the check.
  void SessionEnded();
  // A message box at once, a line of the cycle's summary, or one held while quiet (true).
  bool Notice(const std::string& cp932, std::vector<std::u16string> TSummary::*part);
  bool Notice(const std::u16string& text, std::vector<std::u16string> TSummary::*part);
  Quiet QuietNow() const;

  accounts::AccountTable& Accounts;
  TPOP3Client& Client;
  TImapClient& Imap;
  std::vector<std::int32_t> Counts;
  TMediaPlayer& Player;
  TMci& Mci;
  CheckRequests Requests;
  std::int32_t TimeOutMs = 120000;
  TSignIns* SignIns = nullptr;
  TQuietTimes* QuietTimes = nullptr;
  HeldNotices Held;
  std::int32_t HeldMessages = 0;
  bool IsStopped = false;
  bool ByIdentity = false;
  bool InBalloon = false;
  bool CycleInBalloon = false;  // InBalloon as the running cycle took it
  TSummary Summary;
  std::string IdsFile;
  SeenIds Seen;
  std::set<AccountKey> Failed;
  bool SeenLoaded = false;
  bool SeenUnsaved = false;  // ids recorded whose notices wait for the cycle's summary
  // When the account's session ended, its notices not yet answered.
  std::optional<std::uint64_t> SessionEndTick;
  TWallTime SessionEndTime;
};

}  // namespace checking
