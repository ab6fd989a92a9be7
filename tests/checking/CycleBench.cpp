// Figures for scripts/bench: the wall time of the main window's check cycle per account, and what
// the process holds before and after a long run of timer-driven cycles.
//   cycle_bench ACCOUNTS CYCLES USER PASSWORD   CYCLES cycles over ACCOUNTS accounts of USER on
//                                               127.0.0.1:110; the mailbox must be empty, so that
//                                               no message box stops a cycle
//   cycle_bench soak CYCLES USER PASSWORD       CYCLES ticks of Timer1 (its interval shortened),
//                                               each checking one account of USER
#include <winsock2.h>
#include <windows.h>


#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "accounts/portable/AccountTexts.h"
#include "app/MainWindow1.h"
#include "tests/support/BenchClock.h"
#include "tests/support/ProcessHoldings.h"
#include "toolkit/Application.h"

namespace {
void SetAccounts(TMainForm1& form, int accounts, const std::string& user, const std::string& password) {
  form.Accounts.SetRowCount(accounts + 2);
  for (int row = 1; row <= accounts; ++row) {
    const std::string cells[] = {"a" + std::to_string(row), std::string(accounts::kInclude), "127.0.0.1", user,
                                 password, std::string(accounts::kActionMessage), ""};
    for (int col = 0; col < 7; ++col) form.Accounts.SetCell(col, row, cells[col]);
  }
}

// The cycles come from Timer1 as in the running program; the first ten warm the process up.
int Soak(int cycles, const std::string& user, const std::string& password) {
  TMainForm1 form;
  SetAccounts(form, 1, user, password);
  int ticks = 0;
  form.Timer1.OnTimer = [&](TObject* sender) {
    form.Timer1Timer(sender);
    if (++ticks == 10) PrintHoldings("soak", "before");
  };
  // Longer than one cycle, so that every tick runs a cycle of its own.
  form.Timer1.SetInterval(50);
  form.Timer1.SetEnabled(true);
  const double start = NowMs();
  while (ticks < cycles + 10) Application().HandleMessage();
  PrintHoldings("soak", "after");
  std::printf("soak_cycles %d\nsoak_per_cycle_ms %.3f\n", cycles, (NowMs() - start) / (cycles + 10));
  return 0;
}

int Cycles(int accounts, int cycles, const std::string& user, const std::string& password) {
  TMainForm1 form;
  SetAccounts(form, accounts, user, password);
  std::vector<double> perAccount;
  for (int i = 0; i < cycles; ++i) {
    const double start = NowMs();
    form.N2Click(&form.N2);
    perAccount.push_back((NowMs() - start) / accounts);
  }
  std::sort(perAccount.begin(), perAccount.end());
  std::printf("cycle_accounts %d\ncycle_runs %d\ncycle_per_account_median_ms %.3f\ncycle_per_account_min_ms %.3f\n"
              "cycle_per_account_max_ms %.3f\n",
              accounts, cycles, perAccount[perAccount.size() / 2], perAccount.front(), perAccount.back());
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: cycle_bench ACCOUNTS|soak CYCLES USER PASSWORD\n");
    return 2;
  }
  if (std::string(argv[1]) == "soak") return Soak(std::atoi(argv[2]), argv[3], argv[4]);
  return Cycles(std::atoi(argv[1]), std::atoi(argv[2]), argv[3], argv[4]);
}
