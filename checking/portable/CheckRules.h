#pragma once
// Rules of the check cycle that need no Windows API.
#include <cstdint>
#include <functional>
#include <string>
#include <optional>
#include <vector>

#include "checking/portable/SeenIds.h"

namespace checking {

// Records `count` for the row and tells whether the new-mail action is due: any change to 1 or more
// notifies, a rise or a fall alike; a change to 0 is recorded silently; no change never notifies.
bool RecordCount(std::vector<std::int32_t>& lastMailCount, int row, std::int32_t count);

std::string NewMailText(const std::string& accountName, std::int32_t count);
// With a reason (a failed secure connection), the reason follows on a second line.
std::string FailureText(const std::string& accountName, const std::string& reason = {});
extern const char* const kSoundFailureText;

// A check asked for while a cycle runs never reaches the client: it is remembered, and one more
// cycle runs right after the current one; further requests meanwhile add nothing. A check of only
// some accounts is remembered the same way, its accounts merged with those asked for before, each
// once; a whole cycle asked for meanwhile covers them.
class CheckRequests {
public:
  // The accounts one check covers: nothing for every account.
  using Only = std::optional<std::vector<AccountKey>>;

  // Runs a check of `only` (a whole cycle without it) now, or only remembers the request while one
  // runs; then what was asked for meanwhile, each time handing `check` what it is to cover (sorted,
  // each account once). A check
  // of no account is none. The bookkeeping is restored on every way out, so an error that escapes a
  // check never leaves later requests ignored.
  void Run(const Only& only, const std::function<void(const Only&)>& check);
  // True when the caller is to run the cycle now.
  bool Begin();
  // True when a cycle was asked for meanwhile and the caller is to run it now.
  bool RunAgain();
  bool Running() const { return IsRunning; }

private:
  bool BeginOnly(const std::vector<AccountKey>& accounts);
  // After a check: what to check next, if anything was asked for meanwhile.
  bool Next(Only& only);

  bool IsRunning = false;
  bool Pending = false;
  std::vector<AccountKey> PendingOnly;  // sorted, each once
};

}  // namespace checking
