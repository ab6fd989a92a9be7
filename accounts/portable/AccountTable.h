#pragma once
// The account table: the program's only store of accounts, shown by the main window's grid.
// Row 0 is the header, rows 1 .. RowCount() - 2 are the accounts in file order, and the last row is
// the trailing blank row, so RowCount() is never below 2. Each row has eleven code page 932 cells,
// held exactly as written: the seven of every account, the three of its connection, empty for a
// plain POP3 connection to port 110, and how it signs in, empty for a password.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/portable/Event.h"

namespace accounts {

// The meaning of each column of an account row.
enum Column : int {
  ColName = 0,
  ColInclude = 1,
  ColHost = 2,
  ColUser = 3,
  ColPassword = 4,
  ColAction = 5,
  ColSoundFile = 6,
  ColSecurity = 7,  // "" plain, "SSL" or "STARTTLS"
  ColPort = 8,      // "" the default port of the protocol and security
  ColProtocol = 9,  // "" POP3, or "IMAP"
  ColSignIn = 10,   // "" a password, or the name of the provider the account signs in with
};

class AccountTable {
public:
  static constexpr int ColCount = 11;
  // Passed to OnChanged when more than one row, or the number of rows, changed.
  static constexpr int AllRows = -1;

  using Row = std::array<std::string, ColCount>;

  // An empty table: the header row (titles not yet written) and the trailing blank row.
  AccountTable();
  AccountTable(const AccountTable&) = delete;
  AccountTable& operator=(const AccountTable&) = delete;

  int RowCount() const { return static_cast<int>(Rows.size()); }
  // Grows with empty rows or drops rows from the end; below 2 is an ERangeError.
  void SetRowCount(int count);

  // Cells outside 0..ColCount-1 x 0..RowCount()-1 are an ERangeError.
  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string_view text);

  // Writes the column titles into row 0.
  void WriteHeaderRow();
  // Removes account row `row` (1 .. RowCount() - 2; others are an ERangeError); the rows below it
  // move up by one and RowCount() drops by one.
  void DeleteRow(int row);

  // A row number that follows its account while rows above it are deleted, for whoever holds one
  // across a wait in which the user may delete rows. When its own account is deleted, it is marked
  // Deleted and stays at the row that took the account's place.
  class RowMark {
  public:
    RowMark(AccountTable& table, int row);
    ~RowMark();
    RowMark(const RowMark&) = delete;
    RowMark& operator=(const RowMark&) = delete;

    int Row() const { return MarkedRow; }
    bool Deleted() const { return IsDeleted; }

  private:
    friend class AccountTable;
    AccountTable& Table;
    int MarkedRow;
    bool IsDeleted = false;
  };

  // Changes between BeginUpdate and the matching EndUpdate are reported once, as AllRows, by the
  // outermost EndUpdate; UpdateScope pairs them for a block that may throw.
  void BeginUpdate();
  void EndUpdate();
  class UpdateScope {
  public:
    explicit UpdateScope(AccountTable& table) : Table(table) { Table.BeginUpdate(); }
    ~UpdateScope() { Table.EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

  private:
    AccountTable& Table;
  };

  // Raised after each change with the table and the changed row (or AllRows), so a view can redraw.
  Event<AccountTable&, int> OnChanged;

private:
  void CheckCell(int col, int row) const;
  void Changed(int row);

  std::vector<Row> Rows;
  std::vector<RowMark*> Marks;
  int UpdateDepth = 0;
  bool PendingChange = false;
};

}  // namespace accounts
