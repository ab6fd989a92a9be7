#pragma once
// Rules of the check cycle that need no Windows API.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace checking {

// Records `count` for the row and tells whether the new-mail action is due: any change to 1 or more
// notifies, a rise or a fall alike; a change to 0 is recorded silently; no change never notifies.
bool RecordCount(std::vector<std::int32_t>& lastMailCount, int row, std::int32_t count);

std::string NewMailText(const std::string& accountName, std::int32_t count);
// With a reason (a failed secure connection), the reason follows on a second line.
std::string FailureText(const std::string& accountName, const std::string& reason = {});
extern const char* const kSoundFailureText;

// A check asked for while a cycle runs never reaches the client: it is remembered, and one more
// cycle runs right after the current one; further requests meanwhile add nothing.
class CheckRequests {
public:
  // Runs cycle now, or only remembers the request while one runs; then once more if asked for
  // meanwhile. The bookkeeping is restored on every way out, so an error that escapes a cycle never
  // leaves later requests ignored.
  void Run(const std::function<void()>& cycle);
  // True when the caller is to run the cycle now.
  bool Begin();
  // True when a cycle was asked for meanwhile and the caller is to run it now.
  bool RunAgain();
  bool Running() const { return IsRunning; }

private:
  bool IsRunning = false;
  bool Pending = false;
};

}  // namespace checking
