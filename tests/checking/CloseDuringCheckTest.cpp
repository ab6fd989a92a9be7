// Closing the program while a check runs. A program of its own: the close asks the message loop to
// end, which no other test may inherit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accounts/portable/AccountTexts.h"
#include "app/MainWindow1.h"
#include "checking/portable/CheckRules.h"
#include "tests/support/PlatformRecorders.h"
#include "tests/support/ScriptedPop3Server.h"
#include "tests/toolkit/BoxWatch.h"
#include "toolkit/Text.h"

TEST(CloseDuringCheck, EndsTheCycleRunsTheCloseHandlerOnceAndContactsNoFurtherAccount) {
  ScriptedPop3Server server("127.0.0.2", 110);
  server.Add(ServerScript::Pop3Check("+OK 1 1\r\n"));
  server.Add(ServerScript::Pop3Check("+OK 1 1\r\n"));
  RecordingMci mci;
  TMainForm1 form(SystemShell(), mci);
  form.Accounts.SetRowCount(4);
  for (int row : {1, 2}) {
    const std::string cells[] = {"a" + std::to_string(row), std::string(accounts::kInclude), "127.0.0.2", "u", "p",
                                 std::string(accounts::kActionMessage), ""};
    for (int col = 0; col < 7; ++col) form.Accounts.SetCell(col, row, cells[col]);
  }
  std::vector<std::wstring> shown;
  WatchBox([&] { form.N2Click(&form.N2); },
           [&](HWND) {
             shown.push_back(boxwatch::Seen.text);
             // The user exits from the tray menu while the new-mail box is open, and tries again;
             // the box goes by itself (were it left open, this test would hang).
             form.X1Click(&form.X1);
             form.X1Click(&form.X1);
           });
  EXPECT_EQ(shown, (std::vector<std::wstring>{Widen(checking::NewMailText("a1", 1))}));
  EXPECT_EQ(server.SessionCount(), 1u) << "no further account is contacted";
  EXPECT_EQ(mci.Strings, (std::vector<std::wstring>{L"set cdaudio door closed", L"close cdaudio"}));
  // A check asked for afterwards does nothing.
  form.N2Click(&form.N2);
  EXPECT_EQ(server.SessionCount(), 1u);
}
