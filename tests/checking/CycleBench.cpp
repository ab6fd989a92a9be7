// Figures for scripts/bench: the wall time of the main window's check cycle per account.
//   cycle_bench ACCOUNTS CYCLES USER PASSWORD   CYCLES cycles over ACCOUNTS accounts of USER on
//                                               127.0.0.1:110; the mailbox must be empty, so that
//                                               no message box stops a cycle
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "accounts/AccountTexts.h"
#include "app/MainWindow1.h"
#include "tests/support/BenchClock.h"

namespace {
int Cycles(int accounts, int cycles, const std::string& user, const std::string& password) {
  TMainForm1 form;
  form.Accounts.SetRowCount(accounts + 2);
  for (int row = 1; row <= accounts; ++row) {
    const std::string cells[] = {"a" + std::to_string(row), std::string(accounts::kInclude), "127.0.0.1", user,
                                 password, std::string(accounts::kActionMessage), ""};
    for (int col = 0; col < 7; ++col) form.Accounts.SetCell(col, row, cells[col]);
  }
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
    std::fprintf(stderr, "usage: cycle_bench ACCOUNTS CYCLES USER PASSWORD\n");
    return 2;
  }
  return Cycles(std::atoi(argv[1]), std::atoi(argv[2]), argv[3], argv[4]);
}
