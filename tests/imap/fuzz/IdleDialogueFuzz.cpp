// Fuzz target for what a server sends to a connection waiting in IDLE: the input's first byte picks
// how the account is secured and where the bytes are cut, the rest is the server's byte stream, fed
// to the dialogue response by response as the watcher feeds it. Beyond not crashing:
// - on an account secured with STARTTLS, nothing the server says before TLS is up makes the
//   dialogue send the password or the user name;
// - once the dialogue has failed or stopped watching, it sends nothing more and tells nothing;
// - what it sends is whole command lines, and a failure's reason is one line.
#include <cstdint>
#include <string>
#include <string_view>

#include "imap/portable/IdleDialogue.h"
#include "tests/fuzz/FuzzProperty.h"
#include "tests/fuzz/SmallStack.h"

namespace {

using fuzz::Require;

constexpr std::string_view kUser = "fuzz-user-name";
constexpr std::string_view kPassword = "fuzz-pass-word";

void Run(std::string_view input) {
  if (input.empty()) return;
  const unsigned char pick = static_cast<unsigned char>(input.front());
  input.remove_prefix(1);
  const TSecurity security = pick % 3 == 0 ? TSecurity::None : pick % 3 == 1 ? TSecurity::StartTls : TSecurity::Tls;
  const std::size_t piece = 1 + pick / 3 % 64;
  TIdleDialogue dialogue(security, std::string(kUser), std::string(kPassword));
  TImapResponseStream stream;
  bool over = false;
  const auto take = [&](const TImapResponse& response) {
    const TIdleOutput out = dialogue.Take(response);
    if (over) Require(out.Send.empty() && !out.Mail && !out.Idling && !out.Failure, "an ended dialogue stays silent");
    if (security == TSecurity::StartTls)
      Require(out.Send.find(kPassword) == out.Send.npos && out.Send.find(kUser) == out.Send.npos,
              "no credentials go out before STARTTLS has secured the connection");
    Require(out.Send.empty() || out.Send.ends_with("\r\n"), "commands go out as whole lines");
    if (out.Failure) Require(out.Failure->find('\n') == std::string::npos, "a reason is one line");
    over = over || out.Failure || out.NoIdle;
  };
  try {
    while (!input.empty()) {
      const std::string_view chunk = input.substr(0, piece);
      input.remove_prefix(chunk.size());
      stream.Add(chunk, take);
    }
  } catch (const Exception&) {
    // A malformed or oversized response ends the connection; the properties held up to there.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  fuzz::SmallStack::Run([input] { Run(input); });
  return 0;
}
