#include "accounts/portable/AccountFields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accounts/portable/AccountConnection.h"
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

// What the input method gives (full-width digits, an ideographic space) and what a paste brings
// around a number becomes the number; anything else stays, for the dialog to refuse. An empty field
// is stored as the default port, an empty cell.
TEST(AccountFields, APortTypedInFullWidthOrPastedWithBlanksIsTakenAsItsDigits) {
  EXPECT_EQ(PortDigits("\x82\x58\x82\x58\x82\x54"), "995");  // ９９５
  EXPECT_EQ(PortDigits("\x82\x4F\x82\x50\x82\x51\x82\x52\x82\x53\x82\x54\x82\x55\x82\x56\x82\x57\x82\x58"),
            "0123456789");
  EXPECT_EQ(PortDigits(" 995\t"), "995");
  EXPECT_EQ(PortDigits("\x81\x40" "1\x82\x50" "0\x81\x40 "), "110");  // 　1１0　
  EXPECT_EQ(PortDigits("9 5"), "9 5") << "a blank inside is no digit";
  EXPECT_EQ(PortDigits("\x82\x60"), "\x82\x60") << "Ａ is no digit";
  EXPECT_EQ(PortDigits("\x88\x82\x58"), "\x88\x82" "X") << "a trail byte is never read as a lead byte";
  EXPECT_EQ(PortDigits("  "), "");
  EXPECT_EQ(PortDigits("9\x82"), "9\x82") << "a lead byte cut short at the end";
  for (const char* refused : {"9 5", "\x82\x60", "abc", "0", "65536"}) EXPECT_EQ(PortNumber(PortDigits(refused)), 0) << refused;

  AccountTable table;
  table.SetRowCount(3);
  TAccountFields fields = NewAccountFields();
  fields.Name = "n";
  fields.Port = "";
  StoreFields(table, 1, fields);
  EXPECT_EQ(table.Cell(ColPort, 1), "");
  EXPECT_EQ(PortOfField("", TProtocol::Imap, TSecurity::Tls), 993);
  EXPECT_EQ(PortOfField("0", TProtocol::Imap, TSecurity::Tls), 0);
}

// The grid shows the connection in force; the cells keep their bytes.
TEST(AccountFields, TheGridShowsTheProtocolSecurityAndPortInForce) {
  const std::vector<AccountTable::Row> rows = {
      {"a", "", "", "", "", "", "", "", "", ""},
      {"b", "", "", "", "", "", "", std::string(kSecuritySsl), "", ""},
      {"c", "", "", "", "", "", "", std::string(kSecurityStartTls), "1110", ""},
      {"d", "", "", "", "", "", "", "", "", std::string(kProtocolImap)},
      {"e", "", "", "", "", "", "", std::string(kSecuritySsl), "", std::string(kProtocolImap)},
      {"f", "", "", "", "", "", "", "ssl", "", "imap4"},
      {"g", "", "", "", "", "", "", "", "x", ""},
      {},
  };
  AccountTable table;
  table.WriteHeaderRow();
  table.SetRowCount(static_cast<int>(rows.size()) + 2);
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row)
    for (int col = 0; col < AccountTable::ColCount; ++col) table.SetCell(col, row, rows[row - 1][col]);
  const auto shown = [&table](int row) {
    return std::vector<std::string>{ShownCell(table, ColSecurity, row), ShownCell(table, ColPort, row),
                                    ShownCell(table, ColProtocol, row)};
  };
  using Texts = std::vector<std::string>;
  EXPECT_EQ(shown(1), (Texts{"なし", "110", "POP3"}));
  EXPECT_EQ(shown(2), (Texts{"SSL/TLS", "995", "POP3"}));
  EXPECT_EQ(shown(3), (Texts{"STARTTLS", "1110", "POP3"}));
  EXPECT_EQ(shown(4), (Texts{"なし", "143", "IMAP"}));
  EXPECT_EQ(shown(5), (Texts{"SSL/TLS", "993", "IMAP"}));
  EXPECT_EQ(shown(6), (Texts{"ssl", "", "imap4"})) << "what names nothing known shows as held";
  EXPECT_EQ(shown(7), (Texts{"なし", "x", "POP3"}));
  EXPECT_EQ(shown(8), (Texts{"", "", ""})) << "a blank row";
  EXPECT_EQ(shown(9), (Texts{"", "", ""})) << "the trailing blank row";
  EXPECT_EQ(ShownCell(table, ColSecurity, 0), table.Cell(ColSecurity, 0));
  EXPECT_EQ(ShownCell(table, ColName, 5), "e");
  EXPECT_EQ(table.Cell(ColPort, 2), "") << "only the display changes";
  EXPECT_EQ(table.Cell(ColProtocol, 2), "");
}
