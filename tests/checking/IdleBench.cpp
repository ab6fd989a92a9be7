// Figures for scripts/bench on IMAP IDLE against the local Dovecot:
//   idle_bench latency DELIVERIES USER PASSWORD MAILDIR   the main window with IDLE on (notices in
//        a balloon, so that nothing waits for a click): from a message written into the maildir to
//        the notice, once per delivery
//   idle_bench quiet SECONDS WATCHERS USER PASSWORD       WATCHERS watchers idling on accounts
//        USER1..USERn (password PASSWORD1..n): CPU seconds of the process over SECONDS, and the
//        private memory each watcher adds
//   idle_bench renew RENEWALS USER PASSWORD               one watcher renewing IDLE every 10 ms:
//        what the process holds after the first ten renewals and after RENEWALS
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "accounts/portable/AccountTexts.h"
#include "app/MainWindow1.h"
#include "checking/MailWatchers.h"
#include "tests/support/BenchClock.h"
#include "tests/support/ProcessHoldings.h"
#include "toolkit/Application.h"

namespace {

void SetImapAccount(accounts::AccountTable& table, int row, const std::string& user, const std::string& password) {
  if (table.RowCount() < row + 2) table.SetRowCount(row + 2);
  const std::string cells[] = {"a" + std::to_string(row), std::string(accounts::kInclude), "127.0.0.1", user, password};
  for (int col = 0; col < 5; ++col) table.SetCell(col, row, cells[col]);
  table.SetCell(accounts::ColAction, row, std::string(accounts::kActionMessage));
  table.SetCell(accounts::ColProtocol, row, std::string(accounts::kProtocolImap));
}

// Dispatches messages until done() holds or timeoutMs have passed.
template <typename Done>
bool Pump(Done done, double timeoutMs) {
  const double end = NowMs() + timeoutMs;
  while (!done()) {
    if (NowMs() > end) return false;
    Application().ProcessMessages();
    MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return true;
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>(static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

int Latency(int deliveries, const std::string& user, const std::string& password, const std::string& maildir) {
  TMainForm1 form;
  SetImapAccount(form.Accounts, 1, user, password);
  form.CheckBox4.SetChecked(true);
  form.CheckBox4Click(&form.CheckBox4);
  int notices = 0;
  form.CheckCycle.OnSummary = [&](checking::TCheckCycle*, const checking::TCheckCycle::TSummary& summary) {
    notices += static_cast<int>(summary.NewMail.size());
  };
  form.CheckBox5.SetChecked(true);
  form.CheckBox5Click(&form.CheckBox5);
  if (!Pump([&] { return form.Watchers1.Idling() == 1; }, 10000)) return 1;
  std::vector<double> times;
  for (int i = 0; i < deliveries; ++i) {
    // Dovecot's own notice of a change comes up to half a second after it: deliveries are spaced.
    Pump([] { return false; }, 600);
    const int before = notices;
    const double start = NowMs();
    std::ofstream(maildir + "/new/bench-" + std::to_string(i), std::ios::binary)
        << "From: bench@example.com\r\nSubject: idle " << i << "\r\n\r\nbody\r\n";
    if (!Pump([&] { return notices > before; }, 10000)) return 1;
    times.push_back(NowMs() - start);
  }
  std::sort(times.begin(), times.end());
  std::printf("latency_deliveries %d\nlatency_median_ms %.1f\nlatency_max_ms %.1f\nlatency_min_ms %.1f\n", deliveries,
              times[times.size() / 2], times.back(), times.front());
  return 0;
}

int Quiet(int seconds, int watchers, const std::string& user, const std::string& password) {
  accounts::AccountTable table;
  checking::TMailWatchers all;
  // One watcher first: what any watcher shares (Winsock, the TLS credentials, code touched once) is
  // not counted against each.
  SetImapAccount(table, 1, user + "1", password + "1");
  all.Update(table, true, 30000);
  if (!Pump([&] { return all.Idling() == 1; }, 10000)) return 1;
  const unsigned long long one = PrivateKib();
  for (int i = 2; i <= watchers; ++i) SetImapAccount(table, i, user + std::to_string(i), password + std::to_string(i));
  all.Update(table, true, 30000);
  if (!Pump([&] { return all.Idling() == static_cast<std::size_t>(watchers); }, 20000)) return 1;
  Pump([] { return false; }, 1000);
  const unsigned long long many = PrivateKib();
  const double cpuBefore = CpuSeconds();
  const double wallBefore = NowMs();
  // Waits as the program's message loop does: only for messages.
  while (NowMs() - wallBefore < seconds * 1000.0) {
    Application().ProcessMessages();
    MsgWaitForMultipleObjectsEx(0, nullptr, 1000, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  std::printf("quiet_watchers %zu\nquiet_seconds %d\nquiet_cpu_s %.3f\nquiet_private_kib_one %llu\n"
              "quiet_private_kib_all %llu\nquiet_private_kib_per_watcher %.1f\n",
              all.Idling(), seconds, CpuSeconds() - cpuBefore, one, many,
              static_cast<double>(many - one) / (watchers - 1));
  return 0;
}

int Renew(int renewals, const std::string& user, const std::string& password) {
  accounts::AccountTable table;
  SetImapAccount(table, 1, user, password);
  checking::TMailWatchers watchers(checking::WatchTiming{1000, 300000, 10, 10});
  watchers.Update(table, true, 30000);
  if (!Pump([&] { return watchers.Renewals() >= 10; }, 10000)) return 1;
  PrintHoldings("renew", "before");
  const double start = NowMs();
  if (!Pump([&] { return watchers.Renewals() >= static_cast<std::uint64_t>(renewals) + 10; }, 120000)) return 1;
  PrintHoldings("renew", "after");
  std::printf("renew_count %llu\nrenew_per_renewal_ms %.2f\nrenew_idling %zu\n",
              static_cast<unsigned long long>(watchers.Renewals() - 10), (NowMs() - start) / renewals, watchers.Idling());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "latency" && argc == 6) return Latency(std::atoi(argv[2]), argv[3], argv[4], argv[5]);
  if (mode == "quiet" && argc == 6) return Quiet(std::atoi(argv[2]), std::atoi(argv[3]), argv[4], argv[5]);
  if (mode == "renew" && argc == 5) return Renew(std::atoi(argv[2]), argv[3], argv[4]);
  std::fprintf(stderr, "usage: idle_bench latency N USER PASSWORD MAILDIR | quiet SECONDS WATCHERS USER PASSWORD | "
                       "renew N USER PASSWORD\n");
  return 2;
}
