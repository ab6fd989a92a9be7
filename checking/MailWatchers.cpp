#include "checking/MailWatchers.h"

#include <windows.h>

#include <algorithm>

#include "accounts/portable/AccountConnection.h"
#include "accounts/portable/AccountTexts.h"
#include "imap/ImapWatcher.h"
#include "transport/TlsSession.h"

namespace checking {

namespace {
// Changes told together (EXISTS, then RECENT and EXPUNGE) give one check.
constexpr std::uint64_t kGatherMs = 50;
}  // namespace

struct TMailWatchers::TEntry {
  AccountKey Key;
  TLogin Login;
  std::unique_ptr<TImapWatcher> Watcher;
  std::uint32_t Failures = 0;
  bool Idled = false;        // IDLE ran on an earlier connection: the next one is a reconnect
  bool FailureTold = false;  // the check that shows this run of failures was asked for
  bool NoIdle = false;       // the server cannot IDLE: the cycle checks this account alone
  bool CheckWanted = false;
  std::uint64_t RetryAt = 0;
};

TMailWatchers::TMailWatchers(WatchTiming timing)
    : Timing(timing), Generator(static_cast<std::uint32_t>(GetTickCount64() ^ reinterpret_cast<std::uintptr_t>(this))) {
  Timer.OnTimer = [this](TObject*) { TimerTick(); };
}

TMailWatchers::~TMailWatchers() = default;

double TMailWatchers::Random() { return std::uniform_real_distribution<double>(0.0, 1.0)(Generator); }

void TMailWatchers::Update(const accounts::AccountTable& table, bool on, std::int32_t timeOutMs) {
  std::vector<TLogin> wanted;
  for (int row = 1; on && row < table.RowCount(); ++row) {
    // An account that signs in is left to the cycle, which holds its tokens.
    if (table.Cell(accounts::ColInclude, row) != accounts::kInclude || !table.Cell(accounts::ColSignIn, row).empty())
      continue;
    const auto cell = [&table, row](accounts::Column column) { return table.Cell(column, row); };
    try {
      const accounts::Connection connection =
          accounts::ConnectionOfCells(cell(accounts::ColProtocol), cell(accounts::ColSecurity), cell(accounts::ColPort));
      if (connection.Protocol != TProtocol::Imap) continue;
      wanted.push_back({cell(accounts::ColHost), connection.Port, connection.Security, cell(accounts::ColUser),
                        cell(accounts::ColPassword), timeOutMs});
    } catch (const Exception&) {
      // A row whose connection cannot be read is never contacted; its check reports it.
    }
  }
  std::vector<std::unique_ptr<TEntry>> kept;
  for (const TLogin& login : wanted) {
    const AccountKey key{login.Host, login.Port, login.UserID};
    // At most one watcher per account, even when two rows name it.
    if (std::any_of(kept.begin(), kept.end(), [&](const auto& e) { return e->Key == key; })) continue;
    const auto found = std::find_if(Entries.begin(), Entries.end(),
                                    [&](const std::unique_ptr<TEntry>& e) { return e && e->Login == login; });
    if (found != Entries.end()) {
      kept.push_back(std::move(*found));
      continue;
    }
    auto entry = std::make_unique<TEntry>();
    entry->Key = key;
    entry->Login = login;
    kept.push_back(std::move(entry));
  }
  Entries = std::move(kept);
  Schedule();
}

void TMailWatchers::Start(TEntry& entry) {
  if (!Credentials) Credentials = std::make_shared<TTlsCredentials>();
  if (!entry.Watcher) {
    entry.Watcher = std::make_unique<TImapWatcher>(entry.Login, Credentials);
    entry.Watcher->OnIdling = [this, &entry](TImapWatcher*) { WatcherIdling(entry); };
    entry.Watcher->OnMail = [this, &entry](TImapWatcher*) {
      entry.CheckWanted = true;
      Schedule();
    };
    entry.Watcher->OnNoIdle = [this, &entry](TImapWatcher*) {
      entry.NoIdle = true;
      Schedule();
    };
    entry.Watcher->OnFailed = [this, &entry](TImapWatcher*, const std::string&) { WatcherFailed(entry); };
  }
  entry.Watcher->Start(RenewDelayMs(Timing, Random()));
}

void TMailWatchers::WatcherIdling(TEntry& entry) {
  // Mail that came while the connection was down is told by the check after the reconnect.
  if (entry.Idled) entry.CheckWanted = true;
  entry.Idled = true;
  entry.Failures = 0;
  entry.FailureTold = false;
  Schedule();
}

// A connection that breaks is tried again at once, and most often that is all. When that retry fails
// too, a check is asked for, which shows the failure as the cycle would if the server is out of
// reach; the retries after it stay silent until the watcher is back.
void TMailWatchers::WatcherFailed(TEntry& entry) {
  ++entry.Failures;
  if (entry.Failures >= 2 && !entry.FailureTold) {
    entry.FailureTold = true;
    entry.CheckWanted = true;
  }
  entry.RetryAt = GetTickCount64() + RetryDelayMs(Timing, entry.Failures, Random());
  Schedule();
}

template <typename Which>
void TMailWatchers::Restart(Which which) {
  for (const auto& entry : Entries) {
    if (entry->NoIdle || !entry->Watcher || !which(*entry->Watcher)) continue;
    entry->Failures = 0;
    Start(*entry);
  }
  Schedule();
}

void TMailWatchers::Reconnect() {
  Restart([](const TImapWatcher&) { return true; });
}

void TMailWatchers::RetryNow() {
  Restart([](const TImapWatcher& watcher) { return !watcher.Active(); });
}

std::size_t TMailWatchers::Idling() const {
  return static_cast<std::size_t>(std::count_if(Entries.begin(), Entries.end(), [](const auto& e) {
    return e->Watcher && e->Watcher->Idling();
  }));
}

std::uint64_t TMailWatchers::Renewals() const {
  std::uint64_t renewals = 0;
  for (const auto& entry : Entries) renewals += entry->Watcher ? entry->Watcher->Renewals() : 0;
  return renewals;
}

void TMailWatchers::Schedule() {
  const std::uint64_t now = GetTickCount64();
  std::uint64_t at = 0;
  for (const auto& entry : Entries) {
    std::uint64_t due = 0;
    if (entry->CheckWanted || (entry->NoIdle && entry->Watcher)) due = now + kGatherMs;
    else if (!entry->NoIdle && (!entry->Watcher || !entry->Watcher->Active())) due = std::max(entry->RetryAt, now + 1);
    if (due != 0 && (at == 0 || due < at)) at = due;
  }
  Timer.SetEnabled(false);
  if (at == 0) return;
  Timer.SetInterval(static_cast<std::uint32_t>(at - now));
  Timer.SetEnabled(true);
}

void TMailWatchers::TimerTick() {
  Timer.SetEnabled(false);
  const std::uint64_t now = GetTickCount64();
  std::vector<AccountKey> checks;
  for (const auto& entry : Entries) {
    if (entry->NoIdle) entry->Watcher.reset();
    if (!entry->NoIdle && (!entry->Watcher || !entry->Watcher->Active()) && entry->RetryAt <= now) Start(*entry);
    if (entry->CheckWanted) checks.push_back(entry->Key);
    entry->CheckWanted = false;
  }
  Schedule();
  // Last: the check runs here, and its waits let the watchers and the table change meanwhile.
  if (!checks.empty()) OnCheck(this, checks);
}

}  // namespace checking
