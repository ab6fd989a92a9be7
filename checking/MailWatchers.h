#pragma once
// The IMAP accounts watched with IDLE: one watcher for each IMAP account marked for checking while
// the setting is on. A change the server tells of, a reconnect, and the first failure of a run of
// them each ask for a check of that account alone, so that what the user sees is what a check
// gives; a watcher that fails tries again at once, then after waits that double up to a few minutes.
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "accounts/portable/AccountTable.h"
#include "checking/portable/SeenIds.h"
#include "checking/portable/WatchRules.h"
#include "mailbox/portable/Login.h"
#include "toolkit/portable/Event.h"
#include "toolkit/Timer.h"

class TImapWatcher;
class TTlsCredentials;

namespace checking {

class TMailWatchers {
public:
  explicit TMailWatchers(WatchTiming timing = {});
  // Every watcher says goodbye without waiting for the answer.
  ~TMailWatchers();
  TMailWatchers(const TMailWatchers&) = delete;
  TMailWatchers& operator=(const TMailWatchers&) = delete;

  // The accounts to check now, each once; asked from the message loop, never from inside a watcher.
  Event<TMailWatchers*, const std::vector<AccountKey>&> OnCheck;

  // Brings the watchers in line with the table: one per IMAP account marked for checking while `on`,
  // none otherwise. A watcher whose login is unchanged goes on undisturbed; a new one connects from
  // the message loop, so that a table changed cell by cell opens no connection half made.
  void Update(const accounts::AccountTable& table, bool on, std::int32_t timeOutMs);
  // The machine woke: every watcher connects anew at once.
  void Reconnect();
  // The network changed: the watchers without a connection try again at once.
  void RetryNow();

  // Watchers with IDLE running.
  std::size_t Idling() const;
  std::size_t Count() const { return Entries.size(); }
  // IDLE renewals the watchers sent.
  std::uint64_t Renewals() const;

private:
  struct TEntry;

  void WatcherIdling(TEntry& entry);
  void WatcherFailed(TEntry& entry);
  void Start(TEntry& entry);
  // Connects anew the watchers `which` names, from the first retry on.
  template <typename Which>
  void Restart(Which which);
  // Arms the timer for the next thing due: a check asked for, or a retry.
  void Schedule();
  void TimerTick();
  double Random();

  WatchTiming Timing;
  std::vector<std::unique_ptr<TEntry>> Entries;
  std::shared_ptr<TTlsCredentials> Credentials;
  std::minstd_rand Generator;
  TTimer Timer{0, false};
};

}  // namespace checking
