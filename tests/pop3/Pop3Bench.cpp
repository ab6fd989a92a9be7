// Figures for scripts/bench: the time of one whole check against a real server, and the CPU time
// that a read uses while it waits on a silent server.
//   pop3_bench check RUNS USER PASSWORD [tls|imap]   median wall time of Connect + Disconnect on
//                                         127.0.0.1:110, with tls over TLS on localhost:995 (the
//                                         first run apart: it loads the system's root store), with
//                                         imap over IMAP on 127.0.0.1:143
//   pop3_bench idle SECONDS PORT          one ReadLn on a silent server at 127.0.0.1:PORT, ended by a
//                                         TimeOut of SECONDS (0: connect only, for a baseline); the
//                                         script measures the process's CPU time from outside
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pop3/ImapClient.h"
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
    if (mode == "idle" && argc == 4) return Idle(std::atoi(argv[2]), std::atoi(argv[3]));
  } catch (const Exception& e) {
    std::fprintf(stderr, "pop3_bench: %s\n", e.message().c_str());
    return 1;
  }
  std::fprintf(stderr, "usage: pop3_bench check RUNS USER PASSWORD [tls|imap] | idle SECONDS PORT\n");
  return 2;
}
