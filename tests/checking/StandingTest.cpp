#include "checking/portable/Standing.h"

#include <gtest/gtest.h>

#include <string>

using namespace checking;

namespace {

const TWallTime kAt{2024, 3, 9, 7, 5, 4};

TCheckOutcome Failed(std::string reason, std::string detail = {}) {
  return {TCheckOutcome::TKind::Failed, 0, std::move(reason), std::move(detail)};
}

void SetAccount(accounts::AccountTable& table, int row, const std::string& name, const std::string& user) {
  table.SetCell(accounts::ColName, row, name);
  table.SetCell(accounts::ColHost, row, "127.0.0.1");
  table.SetCell(accounts::ColUser, row, user);
}

}  // namespace

TEST(StandingText, TellsTheTimeAndTheOutcomeWithAFailuresFirstLineBounded) {
  EXPECT_EQ(StandingText(kAt, {TCheckOutcome::TKind::NewMail, 2, {}, {}}), "07:05 新着 2 通");
  EXPECT_EQ(StandingText(kAt, {}), "07:05 変化なし");
  EXPECT_EQ(StandingText({2024, 1, 1, 23, 59, 0}, Failed("ログインできません。\r\nNO [AUTH] x")),
            "23:59 失敗: ログインできません。");
  EXPECT_EQ(StandingText(kAt, Failed({}, "-ERR secret")), "07:05 失敗") << "a server's own text is never shown";
  // A reason of double-byte characters is cut between them.
  std::string longReason;
  for (int i = 0; i < 200; ++i) longReason += "あ";
  const std::string text = StandingText(kAt, Failed(longReason));
  EXPECT_EQ(text, "07:05 失敗: " + longReason.substr(0, kMaxReasonBytes));
}

TEST(TrayTip, AddsTheNextCheckAndTheFailuresAndCutsOnlyTheStatus) {
  EXPECT_EQ(TrayTip("", std::nullopt, 0, 63), "");
  EXPECT_EQ(TrayTip("チェック中… 自宅", std::nullopt, 0, 63), "チェック中… 自宅");
  EXPECT_EQ(TrayTip("", TWallTime{2024, 1, 1, 12, 35, 0}, 0, 63), "次のチェック 12:35");
  EXPECT_EQ(TrayTip("新着メール 3 通 (12:05)", TWallTime{2024, 1, 1, 12, 35, 0}, 2, 63),
            "新着メール 3 通 (12:05)\n次のチェック 12:35\n失敗 2 件");
  EXPECT_EQ(TrayTip("", std::nullopt, 1, 63), "失敗 1 件");

  // A long account name gives way: the time and the failures stay, within the tip's room.
  std::string name;
  for (int i = 0; i < 100; ++i) name += "名";
  const std::string tip = TrayTip("チェック中… " + name, TWallTime{2024, 1, 1, 9, 0, 0}, 12, 63);
  const std::string tail = "\n次のチェック 09:00\n失敗 12 件";
  // 63 characters: the 21 of the tail, "…", and 41 of the status.
  std::string kept;
  for (int i = 0; i < 34; ++i) kept += "名";
  EXPECT_EQ(tip, "チェック中… " + kept + "…" + tail);
  EXPECT_EQ(TrayTip("abc", std::nullopt, 3, 4), "失敗 3") << "never beyond the room";
}

TEST(AccountStandings, FollowTheirAccountAndForgetAccountsThatLeftOrChanged) {
  accounts::AccountTable table;
  table.SetRowCount(4);
  SetAccount(table, 1, "one", "pelmora3");
  SetAccount(table, 2, "two", "pelmora4");
  AccountStandings standings;
  EXPECT_EQ(standings.Of(table, 1), "");
  standings.Record(table, 1, "a");
  standings.Record(table, 2, "b");
  EXPECT_EQ(standings.Of(table, 3), "") << "the blank row";
  EXPECT_EQ(standings.Of(table, 0), "") << "the header row";

  table.DeleteRow(1);
  EXPECT_EQ(standings.Of(table, 1), "b") << "a row that moved up keeps its standing";
  table.SetCell(accounts::ColUser, 1, "pelmora5");
  EXPECT_EQ(standings.Of(table, 1), "") << "another mailbox has not been checked";
  table.SetCell(accounts::ColUser, 1, "pelmora4");
  EXPECT_EQ(standings.Of(table, 1), "b");
  standings.Record(table, 1, "c");
  SetAccount(table, 2, "one", "pelmora3");
  EXPECT_EQ(standings.Of(table, 2), "") << "a deleted account's standing went with it";
}

TEST(CheckLogLine, HoldsOneLineOfFieldsAndNoPassword) {
  TLogEntry entry{kAt, "自宅\tメール", "POP3", {TCheckOutcome::TKind::NewMail, 4, {}, {}}, 152};
  EXPECT_EQ(CheckLogLine(entry, "secret3"), "2024-03-09 07:05:04\t自宅 メール\tPOP3\t新着 4 通\t152 ms\r\n");
  entry.Outcome = {};
  EXPECT_EQ(CheckLogLine(entry, ""), "2024-03-09 07:05:04\t自宅 メール\tPOP3\t変化なし\t152 ms\r\n");

  // The server's own text, its first line only, bounded, without the password it repeats.
  entry.Outcome = Failed({}, "-ERR wrong password secret3 for user\r\nsecret3 again");
  EXPECT_EQ(CheckLogLine(entry, "secret3"),
            "2024-03-09 07:05:04\t自宅 メール\tPOP3\t失敗\t152 ms\t-ERR wrong password *** for user\r\n");
  entry.Outcome = Failed("理由", "");
  EXPECT_EQ(CheckLogLine(entry, "pw").substr(37), "失敗\t152 ms\t理由\r\n");
  // A password cut in two by the bound would leave its start: it is masked before the cut.
  entry.Outcome = Failed({}, std::string(kMaxReasonBytes - 3, 'x') + "secret3" + std::string(500, 'y'));
  const std::string line = CheckLogLine(entry, "secret3");
  EXPECT_EQ(line.find("sec"), std::string::npos);
  EXPECT_LT(line.size(), 80 + kMaxReasonBytes);
  EXPECT_EQ(line.find('\n'), line.size() - 1);
}

TEST(LogMustRotate, MovesTheLogAsideBeforeItPassesOneMegabyte) {
  EXPECT_FALSE(LogMustRotate(0, 100));
  EXPECT_FALSE(LogMustRotate(kMaxLogBytes - 100, 100));
  EXPECT_TRUE(LogMustRotate(kMaxLogBytes - 100, 101));
  EXPECT_TRUE(LogMustRotate(kMaxLogBytes, 1));
  EXPECT_FALSE(LogMustRotate(0, kMaxLogBytes + 1)) << "an empty log takes any line";
}
