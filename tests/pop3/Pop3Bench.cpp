// Figures for scripts/bench: the time of one whole check against a real server, the cost of telling
// new mail by identity, and the CPU time that a read uses while it waits on a silent server.
//   pop3_bench check RUNS USER PASSWORD [tls|imap]   median wall time of Connect + Disconnect on
//                                         127.0.0.1:110, with tls over TLS on localhost:995 (the
//                                         first run apart: it loads the system's root store), with
//                                         imap over IMAP on 127.0.0.1:143
//   pop3_bench identity RUNS USER PASSWORD IDSFILE   the STAT-only check of USER's mailbox beside
//                                         the check with UIDL, 3 new messages and their TOP; the
//                                         private bytes that the listing and the record of its ids
//                                         hold; the ids file (written at IDSFILE, a Windows path)
//   pop3_bench headers RUNS USER PASSWORD pop3|imap PORT   a check with identity on 127.0.0.1:PORT
//                                         whose 5 newest messages are new, their headers asked for
//                                         one command each (as before) beside all together
//   pop3_bench idle SECONDS PORT          one ReadLn on a silent server at 127.0.0.1:PORT, ended by a
//                                         TimeOut of SECONDS (0: connect only, for a baseline); the
//                                         script measures the process's CPU time from outside
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "checking/IdsFile.h"
#include "checking/portable/SeenIds.h"
#include "imap/ImapClient.h"
#include "pop3/Pop3Client.h"
#include "toolkit/Application.h"
#include "tests/support/BenchClock.h"
#include "tests/support/TestCa.h"

namespace {
template <typename Session>
int Check(int runs, const std::string& user, const std::string& password, bool tls, TProtocol protocol) {
  Session client{Application()};
  client.Host = "127.0.0.1";
  if (tls) {
    testsupport::TrustTestCa();
    client.Host = "localhost";
    client.Security = TSecurity::Tls;
    client.Port = DefaultPort(protocol, TSecurity::Tls);
  }
  client.TimeOut = 120000;
  client.UserID = user;
  client.Password = password;
  // Where a check's time goes: up to the secure connection (lookup and TCP), securing it (handshake
  // and certificate check), and the dialogue from the greeting to QUIT's reply.
  double securing = 0, greeting = 0;
  client.ReportLevel = 8;
  client.OnStatus = [&](TObject*, const std::string& status) {
    if (status == "Securing Connection") securing = NowMs();
    if (status == "ReadLn" && greeting == 0) greeting = NowMs();
  };
  std::vector<double> times, toSecure, secure, dialogue;
  double first = 0;
  int32_t count = 0;
  for (int i = 0; i < runs; ++i) {
    securing = greeting = 0;
    const double start = NowMs();
    client.Connect();
    count = client.MessageCount();
    client.Disconnect();
    const double end = NowMs();
    if (i == 0) {
      first = end - start;
      continue;
    }
    times.push_back(end - start);
    if (securing == 0) securing = greeting;
    toSecure.push_back(securing - start);
    secure.push_back(greeting - securing);
    dialogue.push_back(end - greeting);
  }
  if (times.empty()) times.push_back(first);
  std::sort(times.begin(), times.end());
  for (auto* phase : {&toSecure, &secure, &dialogue}) {
    if (phase->empty()) phase->push_back(0);
    std::sort(phase->begin(), phase->end());
  }
  std::printf("phase_connect_ms %.3f\nphase_secure_ms %.3f\nphase_dialogue_ms %.3f\n", toSecure[toSecure.size() / 2],
              secure[secure.size() / 2], dialogue[dialogue.size() / 2]);
  std::printf("check_runs %d\ncheck_count %d\ncheck_first_ms %.3f\ncheck_median_ms %.3f\ncheck_min_ms %.3f\n"
              "check_max_ms %.3f\n",
              runs, count, first, times[times.size() / 2], times.front(), times.back());
  return 0;
}

// Wine leaves PrivateUsage at 0; PagefileUsage is the same count on Windows, the private bytes committed.
std::size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

// The median wall time of `runs` calls of `check`, after one more that is not counted: the first
// login to a mailbox has Dovecot bring its index up to date.
double MedianMs(int runs, const std::function<void()>& check) {
  std::vector<double> times;
  for (int i = 0; i <= runs; ++i) {
    const double start = NowMs();
    check();
    if (i > 0) times.push_back(NowMs() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The record holds every id but the newest three, so that each check with identity finds those new
// and reads their headers, as the check cycle does. The cycle also loads and stores the ids file
// once per check; that is timed apart.
int Identity(int runs, const std::string& user, const std::string& password, const std::string& idsFile) {
  constexpr std::size_t kNew = 3;
  TPOP3Client client{Application()};
  client.SetLogin({"127.0.0.1", 110, TSecurity::None, user, password, 120000});
  const checking::AccountKey account{client.Host, client.Port, user};
  const double statMs = MedianMs(runs, [&] {
    client.Connect();
    client.Disconnect();
  });

  // The process has made its connections already, so what grows is the ids' own memory: the listing,
  // what reading it left in the heap, and the record.
  checking::SeenIds seen;
  const std::size_t before = PrivateBytes();
  client.AskIds = true;
  client.Connect();
  client.Disconnect();
  if (!client.MessageIds() || client.MessageIds()->size() <= kNew)
    throw Exception("the server listed no UIDL of more than 3 messages");
  const std::vector<TUidlEntry>& listing = *client.MessageIds();
  seen.Record(account, listing);
  const std::size_t after = PrivateBytes();
  const std::size_t fileBytes = seen.Format().size();
  const std::size_t listed = listing.size();
  seen.Record(account, std::vector<TUidlEntry>(listing.begin(), listing.end() - kNew));

  std::size_t found = 0, headers = 0;
  const double identityMs = MedianMs(runs, [&] {
    client.Connect();
    const std::vector<int32_t> fresh = checking::NewMessages(seen.Find(account), *client.MessageIds());
    found = fresh.size();
    headers = 0;
    for (const std::optional<std::string>& header : client.Headers(fresh)) headers += header.has_value();
    client.Disconnect();
  });
  if (found != kNew || headers != kNew) throw Exception("the check did not find and read the 3 new messages");

  const std::vector<TUidlEntry> present = *client.MessageIds();
  checking::StoreSeenIds(idsFile, seen);
  const double fileMs = MedianMs(runs, [&] {
    checking::SeenIds loaded = checking::LoadSeenIds(idsFile);
    loaded.Record(account, present);
    checking::StoreSeenIds(idsFile, loaded);
  });
  std::printf("identity_runs %d\nidentity_messages %zu\nidentity_new %zu\nstat_median_ms %.3f\n"
              "identity_median_ms %.3f\nids_file_median_ms %.3f\nids_private_before %zu\nids_private_after %zu\n"
              "ids_file_bytes %zu\n",
              runs, listed, found, statMs, identityMs, fileMs, before, after, fileBytes);
  return 0;
}

template <typename Session>
int NewHeaders(int runs, const std::string& user, const std::string& password, int port) {
  constexpr std::size_t kNew = 5;
  Session client{Application()};
  client.SetLogin({"127.0.0.1", port, TSecurity::None, user, password, 120000});
  client.AskIds = true;
  const checking::AccountKey account{client.Host, client.Port, user};
  client.Connect();
  client.Disconnect();
  if (!client.MessageIds() || client.MessageIds()->size() < kNew) throw Exception("the mailbox has fewer than 5 ids");
  checking::SeenIds seen;
  seen.Record(account, std::vector<TUidlEntry>(client.MessageIds()->begin(), client.MessageIds()->end() - kNew));
  std::size_t read = 0;
  const auto timed = [&](bool together) {
    return MedianMs(runs, [&] {
      client.Connect();
      const std::vector<int32_t> fresh = checking::NewMessages(seen.Find(account), *client.MessageIds());
      std::vector<std::optional<std::string>> headers;
      if (together) {
        headers = client.Headers(fresh);
      } else {
        for (const int32_t number : fresh) headers.push_back(client.Headers({number}).front());
      }
      read = static_cast<std::size_t>(std::count_if(headers.begin(), headers.end(), [](const auto& h) { return h.has_value(); }));
      client.Disconnect();
    });
  };
  const double oneEach = timed(false);
  if (read != kNew) throw Exception("the check did not read the 5 new headers");
  const double together = timed(true);
  if (read != kNew) throw Exception("the check did not read the 5 new headers");
  std::printf("headers_runs %d\nheaders_one_each_ms %.3f\nheaders_together_ms %.3f\n", runs, oneEach, together);
  return 0;
}

int Idle(int seconds, int port) {
  TSockTransport transport{Application()};
  transport.Host = "127.0.0.1";
  transport.Port = port;
  transport.TimeOut = 5000;
  transport.Connect();
  if (seconds == 0) return 0;
  transport.TimeOut = seconds * 1000;
  const double start = NowMs();
  std::string line;
  std::string outcome = "line";
  try {
    transport.ReadLn(line);
  } catch (const Exception& e) {
    outcome = e.message();
  }
  const double wall = (NowMs() - start) / 1000.0;
  std::printf("idle_wall_s %.3f\nidle_outcome %s\n", wall, outcome.c_str());
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    const std::string option = argc == 6 ? argv[5] : "";
    if (mode == "check" && (argc == 5 || argc == 6) && option == "imap")
      return Check<TImapClient>(std::atoi(argv[2]), argv[3], argv[4], false, TProtocol::Imap);
    if (mode == "check" && (argc == 5 || argc == 6))
      return Check<TPOP3Client>(std::atoi(argv[2]), argv[3], argv[4], option == "tls", TProtocol::Pop3);
    if (mode == "identity" && argc == 6) return Identity(std::atoi(argv[2]), argv[3], argv[4], argv[5]);
    if (mode == "headers" && argc == 7 && std::string(argv[5]) == "imap")
      return NewHeaders<TImapClient>(std::atoi(argv[2]), argv[3], argv[4], std::atoi(argv[6]));
    if (mode == "headers" && argc == 7)
      return NewHeaders<TPOP3Client>(std::atoi(argv[2]), argv[3], argv[4], std::atoi(argv[6]));
    if (mode == "idle" && argc == 4) return Idle(std::atoi(argv[2]), std::atoi(argv[3]));
  } catch (const Exception& e) {
    std::fprintf(stderr, "pop3_bench: %s\n", e.message().c_str());
    return 1;
  }
  std::fprintf(stderr, "usage: pop3_bench check RUNS USER PASSWORD [tls|imap] | identity RUNS USER PASSWORD IDSFILE | "
                       "headers RUNS USER PASSWORD pop3|imap PORT | idle SECONDS PORT\n");
  return 2;
}
