#include "accounts/portable/AccountFields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accounts/portable/AccountTexts.h"

using namespace accounts;

namespace {
AccountTable::Row RowOf(const AccountTable& table, int row) {
  AccountTable::Row cells;
  for (int col = 0; col < AccountTable::ColCount; ++col) cells[col] = table.Cell(col, row);
  return cells;
}
}  // namespace

// What the dialog shows of a row is stored back to the same cells, whatever they hold; a cell the
// dialog cannot show (a hand-edited flag, action or security) stays as it was.
TEST(AccountFields, ARowShownAndStoredUnchangedKeepsEveryCell) {
  const std::vector<AccountTable::Row> rows = {
      {"自宅", std::string(kInclude), "pop.example.jp", "taro", "p,w", std::string(kActionSound), "C:\\a.wav", "", ""},
      {"会社", std::string(kExclude), "h", "u", "p", std::string(kActionCdTray), "", std::string(kSecuritySsl), ""},
      {"x", "maybe", "h", "u", "p", "beep", "", "ssl", "995"},
      {"y", std::string(kInclude), "h", "u", "p", std::string(kActionMessage), "", std::string(kSecurityStartTls), "1110"},
      {"i", std::string(kInclude), "h", "u", "p", std::string(kActionMessage), "", "", "", std::string(kProtocolImap)},
      {"j", std::string(kInclude), "h", "u", "p", std::string(kActionMessage), "", "SSL", "995", std::string(kProtocolImap)},
      {"k", std::string(kInclude), "h", "u", "p", std::string(kActionMessage), "", "", "143", "imap4"},
  };
  AccountTable table;
  table.SetRowCount(static_cast<int>(rows.size()) + 2);
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row)
    for (int col = 0; col < AccountTable::ColCount; ++col) table.SetCell(col, row, rows[row - 1][col]);
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row) {
    StoreFields(table, row, FieldsOfRow(table, row));
    EXPECT_EQ(RowOf(table, row), rows[row - 1]) << row;
  }
  // A picked security writes its cell and leaves its default port's cell empty.
  TAccountFields fields = FieldsOfRow(table, 3);
  EXPECT_EQ(fields.Port, "995");
  fields.Security = TSecurity::Tls;
  StoreFields(table, 3, fields);
  EXPECT_EQ(table.Cell(ColSecurity, 3), kSecuritySsl);
  EXPECT_EQ(table.Cell(ColPort, 3), "");
  EXPECT_EQ(table.Cell(ColInclude, 3), "maybe");
  // The default port is the protocol's.
  fields = FieldsOfRow(table, 5);
  EXPECT_EQ(fields.Protocol, TProtocol::Imap);
  EXPECT_EQ(fields.Port, "143");
  fields.Security = TSecurity::Tls;
  fields.Port = "993";
  StoreFields(table, 5, fields);
  EXPECT_EQ(table.Cell(ColPort, 5), "");
}
