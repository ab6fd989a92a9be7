#include "accounts/portable/AccountTable.h"

#include <gtest/gtest.h>

#include <vector>

#include "accounts/portable/AccountTexts.h"
#include "toolkit/portable/Exception.h"

using accounts::AccountTable;

TEST(AccountTable, StartsAsHeaderAndTrailingBlankRow) {
  AccountTable table;
  EXPECT_EQ(table.RowCount(), 2);
  for (int col = 0; col < AccountTable::ColCount; ++col) {
    EXPECT_EQ(table.Cell(col, 0), "");
    EXPECT_EQ(table.Cell(col, 1), "");
  }
}

TEST(AccountTable, RowCountNeverGoesBelowTwo) {
  AccountTable table;
  table.SetRowCount(4);
  EXPECT_THROW(table.SetRowCount(1), ERangeError);
  EXPECT_THROW(table.SetRowCount(0), ERangeError);
  EXPECT_THROW(table.SetRowCount(-3), ERangeError);
  EXPECT_EQ(table.RowCount(), 4);
}

TEST(AccountTable, ShrinkingDropsRowsAndGrowingAddsEmptyOnes) {
  AccountTable table;
  table.SetRowCount(4);
  table.SetCell(0, 1, "keep");
  table.SetCell(6, 3, "dropped");
  table.SetRowCount(3);
  EXPECT_EQ(table.RowCount(), 3);
  EXPECT_THROW(table.Cell(6, 3), ERangeError);
  table.SetRowCount(5);
  EXPECT_EQ(table.Cell(0, 1), "keep");
  EXPECT_EQ(table.Cell(6, 3), "") << "a row dropped and added again must not bring back its old text";
}

TEST(AccountTable, CellsOutsideTheTableAreRangeErrors) {
  AccountTable table;
  EXPECT_THROW(table.Cell(AccountTable::ColCount, 0), ERangeError);
  EXPECT_THROW(table.Cell(-1, 0), ERangeError);
  EXPECT_THROW(table.Cell(0, 2), ERangeError);
  EXPECT_THROW(table.Cell(0, -1), ERangeError);
  EXPECT_THROW(table.SetCell(0, 2, "x"), ERangeError);
  EXPECT_THROW(table.SetCell(AccountTable::ColCount, 1, "x"), ERangeError);
}

TEST(AccountTable, CellsHoldAnyBytesUnchanged) {
  AccountTable table;
  const std::string bytes("\0 \"x\x82,\r\n\xff", 9);
  table.SetCell(4, 1, bytes);
  EXPECT_EQ(table.Cell(4, 1), bytes);
}

TEST(AccountTable, HeaderRowHoldsTheColumnTitles) {
  AccountTable table;
  table.WriteHeaderRow();
  const std::vector<std::string> expected = {" ｱｶｳﾝﾄ名", " ﾁｪｯｸ", " ﾎｽﾄ名", " ﾕｰｻﾞｰ名", " ﾊﾟｽﾜｰﾄﾞ",
                                             " 動作",     " ｻｳﾝﾄﾞ", " 接続の保護", " ﾎﾟｰﾄ", " ﾌﾟﾛﾄｺﾙ",
                                             " ｻｲﾝｲﾝ"};
  for (int col = 0; col < AccountTable::ColCount; ++col) EXPECT_EQ(table.Cell(col, 0), expected[col]) << col;
  EXPECT_EQ(table.RowCount(), 2);
}

TEST(AccountTable, FixedTextsAreTheirCodePage932Bytes) {
  EXPECT_EQ(accounts::kInclude, "する");
  EXPECT_EQ(accounts::kExclude, "しない");
  EXPECT_EQ(accounts::kActionMessage, "ﾒｯｾｰｼﾞ");
  EXPECT_EQ(accounts::kActionSound, "ｻｳﾝﾄﾞ");
  EXPECT_EQ(accounts::kActionCdTray, "CDﾄﾚｲ");
}

TEST(AccountTable, DeleteRowMovesTheRowsBelowUp) {
  AccountTable table;
  table.SetRowCount(5);
  for (int row = 1; row <= 3; ++row) table.SetCell(0, row, std::string(1, static_cast<char>('A' + row - 1)));
  table.DeleteRow(1);
  EXPECT_EQ(table.RowCount(), 4);
  EXPECT_EQ(table.Cell(0, 1), "B");
  EXPECT_EQ(table.Cell(0, 2), "C");
  EXPECT_EQ(table.Cell(0, 3), "");
  table.DeleteRow(2);
  table.DeleteRow(1);
  EXPECT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.Cell(0, 1), "");
}

TEST(AccountTable, DeleteRowTakesOnlyAccountRows) {
  AccountTable table;
  EXPECT_THROW(table.DeleteRow(1), ERangeError) << "the trailing blank row of an empty table";
  table.SetRowCount(3);
  EXPECT_THROW(table.DeleteRow(0), ERangeError);
  EXPECT_THROW(table.DeleteRow(2), ERangeError);
  EXPECT_EQ(table.RowCount(), 3);
}

class AccountTableEvents : public ::testing::Test {
protected:
  void SetUp() override {
    Table.OnChanged = [this](AccountTable& sender, int row) {
      EXPECT_EQ(&sender, &Table);
      Reports.push_back(row);
    };
  }
  AccountTable Table;
  std::vector<int> Reports;
};

TEST_F(AccountTableEvents, EachChangeIsReportedWithItsRow) {
  Table.SetRowCount(4);
  Table.SetCell(2, 3, "pop.example");
  Table.SetCell(2, 3, "pop.example");  // the same text again is no change
  Table.DeleteRow(1);
  Table.SetRowCount(3);  // already 3: no change
  EXPECT_EQ(Reports, (std::vector<int>{AccountTable::AllRows, 3, AccountTable::AllRows}));
}

TEST_F(AccountTableEvents, AnUpdateIsReportedOnceAtItsOutermostEnd) {
  Table.BeginUpdate();
  {
    AccountTable::UpdateScope inner(Table);
    Table.SetRowCount(3);
    Table.SetCell(0, 1, "a");
  }
  EXPECT_TRUE(Reports.empty());
  Table.EndUpdate();
  EXPECT_EQ(Reports, std::vector<int>{AccountTable::AllRows});
  { AccountTable::UpdateScope nothing(Table); }
  EXPECT_EQ(Reports.size(), 1u) << "an update without a change reports nothing";
}

TEST_F(AccountTableEvents, AnUpdateLeftByAnExceptionStillEnds) {
  try {
    AccountTable::UpdateScope scope(Table);
    Table.SetCell(0, 1, "a");
    Table.SetCell(0, 9, "out of range");
  } catch (const ERangeError&) {
  }
  EXPECT_EQ(Reports, std::vector<int>{AccountTable::AllRows});
  Table.SetCell(0, 1, "b");
  EXPECT_EQ(Reports.back(), 1) << "changes after the failed update are reported at once";
}
