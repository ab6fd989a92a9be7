#include "checking/CheckCycle.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <iterator>
#include <optional>
#include <string>

#include "accounts/portable/AccountConnection.h"
#include "accounts/portable/AccountTexts.h"
#include "checking/IdsFile.h"
#include "checking/portable/NewMailNotice.h"
#include "checking/MailActions.h"
#include "checking/QuietTimes.h"
#include "imap/ImapClient.h"
#include "pop3/Pop3Client.h"
#include "signin/SignIns.h"
#include "toolkit/Dialogs.h"

namespace checking {

namespace {
TWallTime LocalNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}
}  // namespace

TCheckCycle::TCheckCycle(accounts::AccountTable& accounts, TPOP3Client& client, TImapClient& imap,
                         TMediaPlayer& player, TMci& mci)
    : Accounts(accounts), Client(client), Imap(imap), Player(player), Mci(mci) {}

void TCheckCycle::Run() { Start(std::nullopt); }

void TCheckCycle::RunOnly(const std::vector<AccountKey>& accounts) { Start(accounts); }

void TCheckCycle::Start(const CheckRequests::Only& only) {
  if (IsStopped) return;
  // The end shows on every way out, or the user could not ask for a check again.
  const auto ended = [this] {
    if (!Requests.Running() && !IsStopped) OnProgress(this, {});
  };
  try {
    Requests.Run(only, [this](const CheckRequests::Only& accounts) { CheckAccounts(accounts); });
  } catch (...) {
    ended();
    throw;
  }
  ended();
}

void TCheckCycle::Stop() {
  IsStopped = true;
  if (!Requests.Running()) return;
  Client.Abort();
  Imap.Abort();
  if (SignIns) SignIns->Cancel();
  // Under Wine the quit request does not end a message box's loop: the cycle's open box goes too.
  EndThreadMessageBoxes();
}

// The row count and cells are read afresh for every row: the table stays editable during a cycle.
void TCheckCycle::CheckAccounts(const CheckRequests::Only& only) {
  Summary = TSummary{};
  CycleInBalloon = InBalloon;
  for (int row = 1; row < Accounts.RowCount() && !IsStopped; ++row) {
    if (Accounts.Cell(accounts::ColInclude, row) != accounts::kInclude) continue;
    const std::optional<AccountKey> key = KeyOfRow(row);
    if (only && !(key && std::binary_search(only->begin(), only->end(), *key))) continue;
    const std::string name = Accounts.Cell(accounts::ColName, row);
    // Rows deleted during the session's waits move the checked account up, or take it away.
    const accounts::AccountTable::RowMark checked(Accounts, row);
    OnProgress(this, name);
    const std::string protocol = accounts::ShownCell(Accounts, accounts::ColProtocol, row);
    const std::string password = Accounts.Cell(accounts::ColPassword, row);
    const std::uint64_t started = GetTickCount64();
    SessionEndTick.reset();
    std::optional<TCheckOutcome> outcome;
    // A session aborted because the user is leaving is no failure of the server, and an account
    // deleted meanwhile has no failure to report.
    const auto fail = [&](const std::string& reason, const std::string& detail) {
      if (IsStopped || checked.Deleted()) return;
      SessionEnded();
      if (key) Failed.insert(*key);
      outcome = TCheckOutcome{TCheckOutcome::TKind::Failed, 0, reason, detail};
      Notice(FailureText(name, reason), &TSummary::Failures);
    };
    try {
      const std::optional<std::int32_t> told = CheckAccount(checked);
      if (key) Failed.erase(*key);
      if (told)
        outcome = TCheckOutcome{*told > 0 ? TCheckOutcome::TKind::NewMail : TCheckOutcome::TKind::Unchanged, *told, {}, {}};
    } catch (const ETlsError& e) {
      fail(e.message(), e.message());
    } catch (const ERefusal& e) {
      fail(e.message(), e.message());
    } catch (const Exception& e) {
      fail({}, e.message());
    } catch (...) {
      fail({}, {});
    }
    if (outcome && !IsStopped && !checked.Deleted()) {
      SessionEnded();
      OnChecked(this, TChecked{checked, name, protocol, password, SessionEndTime, *SessionEndTick - started, *outcome});
    }
    // The next account is the one after the checked account, or the one that took its place.
    row = checked.Deleted() ? checked.Row() - 1 : checked.Row();
  }
  // Nothing between the save and the balloon lets the user leave: no id is recorded untold.
  if (IsStopped) return;
  if (SeenUnsaved && Held.Empty()) SaveIds();
  if (CycleInBalloon && (!Summary.NewMail.empty() || !Summary.Failures.empty())) OnSummary(this, Summary);
}

void TCheckCycle::SessionEnded() {
  if (SessionEndTick) return;
  SessionEndTick = GetTickCount64();
  SessionEndTime = LocalNow();
}

bool TCheckCycle::Notice(const std::string& cp932, std::vector<std::u16string> TSummary::*part) {
  return Notice(Cp932ToUtf16(cp932), part);
}

bool TCheckCycle::Notice(const std::u16string& text, std::vector<std::u16string> TSummary::*part) {
  // Balloons wait on their own while Windows says the user is busy.
  const Quiet quiet = QuietNow();
  if (quiet == Quiet::Hours || (quiet == Quiet::Busy && !CycleInBalloon)) {
    Held.Hold(text);
    return true;
  }
  if (CycleInBalloon)
    (Summary.*part).push_back(text);
  else
    Announce(text);
  return false;
}

Quiet TCheckCycle::QuietNow() const { return QuietTimes ? QuietTimes->Now() : Quiet::None; }

void TCheckCycle::ShowHeld() {
  if (Held.Empty() || Requests.Running() || IsStopped || QuietNow() != Quiet::None) return;
  const std::u16string text = Held.TakeSummary();
  const std::int32_t messages = HeldMessages;
  HeldMessages = 0;
  if (InBalloon) {
    TSummary summary;
    summary.NewMessages = messages;
    (messages > 0 ? summary.NewMail : summary.Failures).push_back(text);
    OnSummary(this, summary);
  } else {
    Announce(text);
  }
  // The ids of mail only now told are recorded now, or never if the user left meanwhile.
  if (SeenUnsaved && !IsStopped) SaveIds();
}

// A row dropped from the end of the table meanwhile reads as empty rather than out of the table.
std::string TCheckCycle::CheckedCell(const accounts::AccountTable::RowMark& checked, accounts::Column column) const {
  return checked.Row() < Accounts.RowCount() ? Accounts.Cell(column, checked.Row()) : std::string();
}

std::optional<std::int32_t> TCheckCycle::CheckAccount(const accounts::AccountTable::RowMark& checked) {
  const auto cell = [this, &checked](accounts::Column column) { return CheckedCell(checked, column); };
  const accounts::Connection connection = accounts::ConnectionOfCells(
      cell(accounts::ColProtocol), cell(accounts::ColSecurity), cell(accounts::ColPort));
  TLogin login{cell(accounts::ColHost), connection.Port,       connection.Security,
               cell(accounts::ColUser), cell(accounts::ColPassword), TimeOutMs};
  TMailboxSession& session = connection.Protocol == TProtocol::Imap ? static_cast<TMailboxSession&>(Imap) : Client;
  if (connection.Protocol == TProtocol::Pop3) {
    Client.SetAttachFilePath(".");
    Client.DeleteOnRead = false;
  }
  const std::string provider = cell(accounts::ColSignIn);
  if (provider.empty()) return CheckWith(session, login, checked, connection.Protocol);
  // An account that signs in logs in with an access token; one the server refuses is replaced by a
  // fresh one once.
  for (int attempt = 0;; ++attempt) {
    if (!SignIns) throw ERefusal(kSignInAgainText);
    const std::optional<std::string> token = SignIns->AccessToken(provider, login.UserID, connection.Protocol, TimeOutMs);
    if (!token) return std::nullopt;
    login.AccessToken = *token;
    try {
      return CheckWith(session, login, checked, connection.Protocol);
    } catch (const ETokenRefused&) {
      if (attempt > 0 || checked.Deleted() || IsStopped) throw;
      SignIns->Refused(provider, login.UserID);
    }
  }
}

std::int32_t TCheckCycle::CheckWith(TMailboxSession& session, const TLogin& login,
                            const accounts::AccountTable::RowMark& checked, TProtocol protocol) {
  const auto cell = [this, &checked](accounts::Column column) { return CheckedCell(checked, column); };
  session.SetLogin(login);
  session.AskIds = ByIdentity;
  session.Connect();
  const std::int32_t count = session.MessageCount();
  // A server without identities is told by the count, as if the setting were off.
  std::optional<TNews> news;
  try {
    if (session.MessageIds()) news = ReadNews(session, {login.Host, login.Port, login.UserID}, protocol);
  } catch (...) {
    // A reply that broke off leaves the dialogue out of step: the connection goes without a logout.
    session.Abort();
    throw;
  }
  // The session ends before the actions: a server that locks the mailbox for its session would
  // refuse the user's own mail program while the new-mail box waits. A failed logout is still
  // reported after them.
  std::exception_ptr quitFailure;
  try {
    session.Disconnect();
  } catch (...) {
    quitFailure = std::current_exception();
  }
  SessionEnded();
  // An account deleted during its session has no row to record its count in, nor a failed QUIT to report;
  // a user leaving meanwhile sees no notice, so its ids stay unsaved.
  if (checked.Deleted() || IsStopped) return 0;
  const bool countChanged = RecordCount(Counts, checked.Row(), count);
  const std::int32_t told = news ? static_cast<std::int32_t>(news->Count) : countChanged ? count : 0;
  if (told > 0) {
    // Read once: the new-mail box lets the user change the table again.
    const std::string action = cell(accounts::ColAction);
    Summary.NewMessages += told;
    bool held = false;
    if ((action == accounts::kActionSound || action == accounts::kActionCdTray) && QuietNow() != Quiet::None) {
      // The summary names the account instead of a sound or a tray that would come long after the mail.
      Held.Hold(Cp932ToUtf16(NewMailText(cell(accounts::ColName), told)));
      held = true;
    } else if (action == accounts::kActionMessage && news) {
      held = Notice(NewMailNoticeText(cell(accounts::ColName), news->Count, news->NewestFirst, Cp932ToUtf16),
                    &TSummary::NewMail);
    } else if (action == accounts::kActionMessage && !news) {
      held = Notice(NewMailText(cell(accounts::ColName), count), &TSummary::NewMail);
    } else if (action == accounts::kActionSound && !PlaySoundFile(Player, cell(accounts::ColSoundFile))) {
      Notice(kSoundFailureText, &TSummary::Failures);
    } else if (action == accounts::kActionCdTray) {
      OpenCdTray(Mci);
    }
    if (held) HeldMessages += told;
  }
  // A box has been answered by now; a balloon shows at the end of the cycle, and the ids are saved
  // then; while notices are held, once they are told.
  if (news) {
    SeenUnsaved = true;
    if (!CycleInBalloon && Held.Empty()) SaveIds();
  }
  if (quitFailure) std::rethrow_exception(quitFailure);
  return told;
}

TCheckCycle::TNews TCheckCycle::ReadNews(TMailboxSession& session, const AccountKey& account, TProtocol protocol) {
  if (!SeenLoaded && !IdsFile.empty()) Seen = LoadSeenIds(IdsFile);
  SeenLoaded = true;
  const std::vector<TUidlEntry>& listing = *session.MessageIds();
  const IdList* recorded = Seen.Find(account);
  const std::vector<std::int32_t> fresh =
      protocol == TProtocol::Imap ? NewImapMessages(recorded, listing) : NewMessages(recorded, listing);
  TNews news;
  news.Count = fresh.size();
  const std::vector<std::int32_t> named(fresh.begin(), fresh.begin() + std::min(fresh.size(), kMaxNoticeLines));
  for (const std::optional<std::string>& header : session.Headers(named)) {
    // A message whose header the server will not give is counted, without a line of its own.
    if (header) news.NewestFirst.push_back(ReadMailHeader(*header, Cp932ToUtf16));
  }
  // Every message of the count has its id in a complete listing.
  if (listing.size() == static_cast<std::size_t>(session.MessageCount()))
    Seen.Record(account, listing);
  else
    Seen.Add(account, listing);
  return news;
}

std::optional<AccountKey> TCheckCycle::KeyOfRow(int row) const {
  try {
    const accounts::Connection connection = accounts::ConnectionOfCells(
        Accounts.Cell(accounts::ColProtocol, row), Accounts.Cell(accounts::ColSecurity, row),
        Accounts.Cell(accounts::ColPort, row));
    return AccountKey{Accounts.Cell(accounts::ColHost, row), connection.Port, Accounts.Cell(accounts::ColUser, row)};
  } catch (const Exception&) {
    return std::nullopt;
  }
}

std::vector<AccountKey> TCheckCycle::PresentAccounts() const {
  std::vector<AccountKey> present;
  for (int row = 1; row < Accounts.RowCount(); ++row) {
    if (const std::optional<AccountKey> key = KeyOfRow(row)) present.push_back(*key);
  }
  return present;
}

// An account that left the table is no failure any more; one that failed and comes back would be
// checked once more, which does no harm.
std::vector<AccountKey> TCheckCycle::FailedAccounts() const {
  const std::vector<AccountKey> present = PresentAccounts();
  std::vector<AccountKey> failed;
  std::ranges::copy_if(Failed, std::back_inserter(failed), [&present](const AccountKey& account) {
    return std::ranges::find(present, account) != present.end();
  });
  return failed;
}

// A row whose connection cannot be read is never checked, so it has no ids to keep.
void TCheckCycle::SaveIds() {
  Seen.KeepOnly(PresentAccounts());
  SeenUnsaved = false;
  if (IdsFile.empty()) return;
  try {
    StoreSeenIds(IdsFile, Seen);
  } catch (const Exception& e) {
    // After a box closed by the user's leaving, no further box may hold the exit.
    if (!IsStopped) Notice(e.message(), &TSummary::Failures);
  }
}

}  // namespace checking
