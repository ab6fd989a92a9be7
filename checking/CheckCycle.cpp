#include "checking/CheckCycle.h"

#include <exception>
#include <string>

#include "accounts/AccountConnection.h"
#include "accounts/AccountTexts.h"
#include "checking/MailActions.h"
#include "pop3/Pop3Client.h"
#include "toolkit/Dialogs.h"

namespace checking {

TCheckCycle::TCheckCycle(accounts::AccountTable& accounts, TPOP3Client& client,
                         std::vector<std::int32_t>& lastMailCount, TMediaPlayer& player, TMci& mci)
    : Accounts(accounts), Client(client), LastMailCount(lastMailCount), Player(player), Mci(mci) {}

void TCheckCycle::Run() {
  if (IsStopped) return;
  Requests.Run([this] { CheckAccounts(); });
}

void TCheckCycle::Stop() {
  IsStopped = true;
  if (!Requests.Running()) return;
  Client.Abort();
  // Under Wine the quit request does not end a message box's loop: the cycle's open box goes too.
  EndThreadMessageBoxes();
}

// The row count and cells are read afresh for every row: the table stays editable during a cycle.
void TCheckCycle::CheckAccounts() {
  for (int row = 1; row < Accounts.RowCount() && !IsStopped; ++row) {
    if (Accounts.Cell(accounts::ColInclude, row) != accounts::kInclude) continue;
    const std::string name = Accounts.Cell(accounts::ColName, row);
    // A session aborted because the user is leaving is no failure of the server.
    try {
      CheckAccount(row);
    } catch (const ETlsError& e) {
      if (!IsStopped) Announce(FailureText(name, e.message()));
    } catch (...) {
      if (!IsStopped) Announce(FailureText(name));
    }
  }
}

void TCheckCycle::CheckAccount(int row) {
  // A row deleted while a message box was open reads as empty rather than out of the table.
  const auto cell = [this, row](accounts::Column column) {
    return row < Accounts.RowCount() ? Accounts.Cell(column, row) : std::string();
  };
  Client.SetAttachFilePath(".");
  Client.DeleteOnRead = false;
  Client.TimeOut = TimeOutMs;
  const accounts::Connection connection = accounts::ConnectionOfCells(cell(accounts::ColSecurity), cell(accounts::ColPort));
  Client.Security = connection.Security;
  Client.Port = connection.Port;
  Client.Host = cell(accounts::ColHost);
  Client.UserID = cell(accounts::ColUser);
  Client.Password = cell(accounts::ColPassword);
  Client.Connect();
  const std::int32_t count = Client.MessageCount();
  // The session ends before the actions: a server that locks the mailbox for its session would
  // refuse the user's own mail program while the new-mail box waits. A failed QUIT is still reported
  // after them.
  std::exception_ptr quitFailure;
  try {
    Client.Disconnect();
  } catch (...) {
    quitFailure = std::current_exception();
  }
  if (RecordCount(LastMailCount, row, count) && !IsStopped) {
    if (cell(accounts::ColAction) == accounts::kActionMessage) Announce(NewMailText(cell(accounts::ColName), count));
    if (cell(accounts::ColAction) == accounts::kActionSound) PlaySoundFile(Player, cell(accounts::ColSoundFile));
    if (cell(accounts::ColAction) == accounts::kActionCdTray) OpenCdTray(Mci);
  }
  if (quitFailure) std::rethrow_exception(quitFailure);
}

}  // namespace checking
