#include "accounts/portable/AccountFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "accounts/portable/AccountConnection.h"
#include "accounts/portable/AccountTexts.h"
#include "tests/support/ExceptionMessage.h"
#include "toolkit/portable/Exception.h"

using accounts::AccountTable;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The cells a line holds: the provider only when set, the protocol only when set or before a
// provider, security and port only when any is set or before either.
void DropEmptyConnection(std::vector<std::string>& cells) {
  if (!cells[accounts::ColSignIn].empty()) return;
  cells.resize(accounts::ColSignIn);
  if (!cells[accounts::ColProtocol].empty()) return;
  cells.resize(accounts::ColProtocol);
  if (cells[accounts::ColSecurity].empty() && cells[accounts::ColPort].empty()) cells.resize(accounts::ColSecurity);
}

// Account rows 1..N of the table, each cell as held, without the connection cells the line leaves out.
Rows AccountRows(const AccountTable& table) {
  Rows rows;
  for (int row = 1; row <= table.RowCount() - 2; ++row) {
    std::vector<std::string> cells;
    for (int col = 0; col < AccountTable::ColCount; ++col) cells.push_back(table.Cell(col, row));
    DropEmptyConnection(cells);
    rows.push_back(cells);
  }
  return rows;
}

void Fill(AccountTable& table, const Rows& rows) {
  table.SetRowCount(static_cast<int>(rows.size()) + 2);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      table.SetCell(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
  }
}

Rows Loaded(std::string_view bytes) {
  AccountTable table;
  accounts::LoadAccounts(table, bytes);
  EXPECT_EQ(table.RowCount(), static_cast<int>(accounts::SplitLines(bytes).size()) + 2);
  for (int col = 0; col < AccountTable::ColCount; ++col) EXPECT_EQ(table.Cell(col, table.RowCount() - 1), "");
  return AccountRows(table);
}

std::string Saved(const Rows& rows) {
  AccountTable table;
  Fill(table, rows);
  return accounts::SaveAccounts(table, "\"");
}

std::vector<std::string> Strings(const std::vector<std::string_view>& views) { return {views.begin(), views.end()}; }

using Fields = std::vector<std::string>;

}  // namespace

// --- Lines of the file -------------------------------------------------------------------------

TEST(AccountFileLines, EveryKindOfLineBreakEndsALine) {
  EXPECT_EQ(Strings(accounts::SplitLines("a\r\nb\rc\nd")), (Fields{"a", "b", "c", "d"}));
  EXPECT_EQ(Strings(accounts::SplitLines("a\r\r\nb")), (Fields{"a", "", "b"})) << "a lone CR before CR LF";
  EXPECT_EQ(Strings(accounts::SplitLines("a\n\rb")), (Fields{"a", "", "b"})) << "LF CR is two breaks";
  EXPECT_EQ(Strings(accounts::SplitLines("\r\n\r\nx")), (Fields{"", "", "x"})) << "empty lines count";
}

TEST(AccountFileLines, ABreakAtTheVeryEndStartsNoLine) {
  EXPECT_TRUE(accounts::SplitLines("").empty());
  EXPECT_EQ(Strings(accounts::SplitLines("\r\n")), Fields{""});
  EXPECT_EQ(Strings(accounts::SplitLines("a\r\n")), Fields{"a"});
  EXPECT_EQ(Strings(accounts::SplitLines("a\r")), Fields{"a"});
  EXPECT_EQ(Strings(accounts::SplitLines("a\n")), Fields{"a"});
  EXPECT_EQ(Strings(accounts::SplitLines("a\r\n\r\n")), (Fields{"a", ""}));
}

TEST(AccountFileLines, ANulEndsTheText) {
  EXPECT_EQ(Strings(accounts::SplitLines(std::string_view("a\r\nb\0c\r\nd\r\n", 11))), (Fields{"a", "b"}));
  EXPECT_TRUE(accounts::SplitLines(std::string_view("\0a\r\n", 4)).empty());
}

TEST(AccountFileLines, LongLinesAreCutAtTheirFirst4096Bytes) {
  const std::string exact(4096, 'x');
  const std::string longer = std::string(4095, 'y') + "す" + "zzz";  // す straddles the cut
  const std::string file = exact + "\r\n" + longer + "\r\n" + "short";
  const auto lines = accounts::SplitLines(file);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], exact);
  EXPECT_EQ(lines[1], std::string(4095, 'y') + "\x82") << "the cut counts bytes";
  EXPECT_EQ(lines[2], "short");
  const std::string unbroken(5000, 'w');
  EXPECT_EQ(accounts::SplitLines(unbroken)[0].size(), 4096u) << "a last line without a break";
}

// --- Fields of a line --------------------------------------------------------------------------

TEST(AccountFileFields, CommasSeparateAndBlanksAroundFieldsAreSkipped) {
  EXPECT_EQ(accounts::SplitFields("\"Home\",a,b"), (Fields{"Home", "a", "b"}));
  EXPECT_EQ(accounts::SplitFields(" \t\"n\" ,  x ,\ty"), (Fields{"n", "x", "y"}));
  EXPECT_EQ(accounts::SplitFields("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(accounts::SplitFields(",a"), (Fields{"", "a"}));
  EXPECT_EQ(accounts::SplitFields(",,"), (Fields{"", "", ""}));
  EXPECT_TRUE(accounts::SplitFields("").empty());
  EXPECT_TRUE(accounts::SplitFields(" \t\x01 ").empty());
}

TEST(AccountFileFields, OnlyACommaAsTheLastCharacterAddsAnEmptyField) {
  EXPECT_EQ(accounts::SplitFields("a,"), (Fields{"a", ""}));
  EXPECT_EQ(accounts::SplitFields("a, "), Fields{"a"}) << "blanks after the last comma add no field";
}

TEST(AccountFileFields, ABlankEndsAnUnquotedFieldAndTheNextStartsDirectly) {
  EXPECT_EQ(accounts::SplitFields("my pass,x"), (Fields{"my", "pass", "x"}));
  EXPECT_EQ(accounts::SplitFields("\"a\"b,c"), (Fields{"a", "b", "c"}));
  EXPECT_EQ(accounts::SplitFields("a\"b\",c"), (Fields{"a\"b\"", "c"})) << "a quote inside is plain text";
}

TEST(AccountFileFields, QuotedFieldsKeepCommasBlanksAndDoubledQuotes) {
  EXPECT_EQ(accounts::SplitFields("\"a, b\",c"), (Fields{"a, b", "c"}));
  EXPECT_EQ(accounts::SplitFields("\"\",x"), (Fields{"", "x"}));
  EXPECT_EQ(accounts::SplitFields("\"say \"\"hi\"\"\",x"), (Fields{"say \"hi\"", "x"}));
  EXPECT_EQ(accounts::SplitFields("\"\"\"\""), Fields{"\""});
}

TEST(AccountFileFields, AnUnterminatedQuotedFieldTakesTheRestOfTheLine) {
  EXPECT_EQ(accounts::SplitFields("a,\"b, c"), (Fields{"a", "b, c"}));
  EXPECT_EQ(accounts::SplitFields("\"x\"\"y"), Fields{"x\"y"});
  EXPECT_EQ(accounts::SplitFields("\""), Fields{""});
}

TEST(AccountFileFields, DoubleByteCharactersAreSteppedOverWhole) {
  // Broken text where a second byte is a comma, a quote or a space: none of them splits.
  EXPECT_EQ(accounts::SplitFields("a\x82,b,c"), (Fields{"a\x82,b", "c"}));
  EXPECT_EQ(accounts::SplitFields("\"a\x82\",b\",c"), (Fields{"a\x82\",b", "c"}));
  EXPECT_EQ(accounts::SplitFields("\x82 x"), Fields{"\x82 x"});
  // A first byte alone at the end of the line is kept as it is.
  EXPECT_EQ(accounts::SplitFields("a,b\x82"), (Fields{"a", "b\x82"}));
  // Real text whose second bytes look like ASCII (ソ is 83 5C, ー is 81 5B).
  EXPECT_EQ(accounts::SplitFields("ソー,ソ"), (Fields{"ソー", "ソ"}));
}

TEST(AccountFileFields, ANulEndsTheLine) {
  EXPECT_EQ(accounts::SplitFields(std::string_view("a,b\0,c", 6)), (Fields{"a", "b"}));
}

// --- Load --------------------------------------------------------------------------------------

TEST(AccountFileLoad, AnEmptyFileIsAnEmptyTable) {
  AccountTable table;
  table.WriteHeaderRow();
  accounts::LoadAccounts(table, "");
  EXPECT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.Cell(0, 0), accounts::kColumnTitles[0]) << "the header row stays";
}

TEST(AccountFileLoad, FieldsGoToTheirColumnsAndMissingOnesStayEmpty) {
  const Rows rows = Loaded("\"a\",1,2,3,4,5,6,7,8,9,10,11\r\n\"b\",1,2\r\n\r\n\"c\",1,2,3,4,5,\r\n");
  EXPECT_EQ(rows, (Rows{{"a", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
                        {"b", "1", "2", "", "", "", ""},
                        {"", "", "", "", "", "", ""},
                        {"c", "1", "2", "3", "4", "5", ""}}));
}

TEST(AccountFileLoad, ALastLineWithoutBreakLoadsAlike) {
  EXPECT_EQ(Loaded("\"a\",x\r\n\"b\",y"), Loaded("\"a\",x\r\n\"b\",y\r\n"));
  EXPECT_EQ(Saved(Loaded("\"a\",x\r\n\"b\",y")), "\"a\",x,,,,,\r\n\"b\",y,,,,,\r\n");
}

TEST(AccountFileLoad, ALoadReplacesEveryAccountRowAndReportsOnce) {
  AccountTable table;
  Fill(table, {{"old", "1", "2", "3", "4", "5", "6"}, {"older"}});
  table.SetCell(3, table.RowCount() - 1, "stale");
  int reports = 0;
  table.OnChanged = [&](AccountTable&, int row) {
    ++reports;
    EXPECT_EQ(row, AccountTable::AllRows);
  };
  accounts::LoadAccounts(table, "\"new\",a\r\n");
  EXPECT_EQ(AccountRows(table), (Rows{{"new", "a", "", "", "", "", ""}}));
  EXPECT_EQ(table.Cell(3, 2), "") << "the trailing blank row is blank";
  EXPECT_EQ(reports, 1);
}

// --- The connection's two fields -----------------------------------------------------------------

TEST(AccountFileConnection, PlainRowsKeepTheirSevenFieldsAndNineFieldLinesRoundTrip) {
  const std::string action(accounts::kActionMessage);
  const std::string plain =
      "\"Home\"," + std::string(accounts::kInclude) + ",pop.example.jp,taro,pw," + action + ",\r\n";
  const std::string secured = "\"TLS\"," + std::string(accounts::kInclude) + ",mail.example.jp,taro,pw," + action +
                              ",,SSL,\r\n" + "\"Own port\",x,h,u,p," + action + ",,STARTTLS,1110\r\n" +
                              "\"Port only\",x,h,u,p," + action + ",a.wav,,2110\r\n";
  EXPECT_EQ(Saved(Loaded(plain)), plain);
  EXPECT_EQ(Saved(Loaded(plain + secured + plain)), plain + secured + plain);
  const Rows rows = Loaded(secured);
  EXPECT_EQ(rows[0][accounts::ColSecurity], "SSL");
  EXPECT_EQ(rows[0][accounts::ColPort], "");
  EXPECT_EQ(rows[1][accounts::ColPort], "1110");
  EXPECT_EQ(rows[2][accounts::ColSoundFile], "a.wav");
}

TEST(AccountFileConnection, AnImapRowHasTenFieldsAndAPop3RowNeverGainsOne) {
  const std::string action(accounts::kActionMessage);
  const std::string imap = "\"IMAP\",x,h,u,p," + action + ",,,,IMAP\r\n" + "\"IMAPS\",x,h,u,p," + action +
                           ",,SSL,1993,IMAP\r\n" + "\"POP3\",x,h,u,p," + action + ",,SSL,\r\n";
  EXPECT_EQ(Saved(Loaded(imap)), imap);
  const Rows rows = Loaded(imap);
  EXPECT_EQ(rows[0][accounts::ColProtocol], "IMAP");
  EXPECT_EQ(rows[1][accounts::ColPort], "1993");
  EXPECT_EQ(rows[2].size(), 9u);
  // What a reader of nine fields takes from an IMAP row: a POP3 account, not a broken line.
  EXPECT_EQ(accounts::SplitFields("\"IMAP\",x,h,u,p," + action + ",,,,IMAP").size(), 10u);
}

// An account that signs in has an eleventh field, its provider, and no password; the fields between
// stay even when empty, so that the provider is where a reader looks for it.
TEST(AccountFileConnection, AnAccountThatSignsInHasElevenFields) {
  const std::string action(accounts::kActionMessage);
  const std::string lines = "\"Mail\",x,outlook.office365.com,taro@example.jp,," + action + ",,SSL,,IMAP,Microsoft\r\n" +
                            "\"Pop\",x,pop.gmail.com,taro@example.jp,," + action + ",,SSL,,,Google\r\n";
  EXPECT_EQ(Saved(Loaded(lines)), lines);
  const Rows rows = Loaded(lines);
  EXPECT_EQ(rows[0][accounts::ColSignIn], "Microsoft");
  EXPECT_EQ(rows[1][accounts::ColProtocol], "");
  EXPECT_EQ(rows[1][accounts::ColSignIn], "Google");
}

TEST(AccountConnection, TheCellsNameProtocolSecurityAndPortAndAnyOtherTextRefusesTheCheck) {
  using accounts::ConnectionOfCells;
  const auto is = [](const accounts::Connection& c, TSecurity security, int32_t port,
                     TProtocol protocol = TProtocol::Pop3) {
    return c.Protocol == protocol && c.Security == security && c.Port == port;
  };
  EXPECT_TRUE(is(ConnectionOfCells("", "", ""), TSecurity::None, 110));
  EXPECT_TRUE(is(ConnectionOfCells("", "SSL", ""), TSecurity::Tls, 995));
  EXPECT_TRUE(is(ConnectionOfCells("", "STARTTLS", ""), TSecurity::StartTls, 110));
  EXPECT_TRUE(is(ConnectionOfCells("", "SSL", "65535"), TSecurity::Tls, 65535));
  EXPECT_TRUE(is(ConnectionOfCells("", "", "1"), TSecurity::None, 1));
  EXPECT_TRUE(is(ConnectionOfCells("IMAP", "", ""), TSecurity::None, 143, TProtocol::Imap));
  EXPECT_TRUE(is(ConnectionOfCells("IMAP", "SSL", ""), TSecurity::Tls, 993, TProtocol::Imap));
  EXPECT_TRUE(is(ConnectionOfCells("IMAP", "STARTTLS", "1143"), TSecurity::StartTls, 1143, TProtocol::Imap));
  for (const char* protocol : {"imap", "POP3", " IMAP"}) {
    EXPECT_EQ(MessageOf([&] { ConnectionOfCells(protocol, "", ""); }), "Unknown protocol") << protocol;
  }
  for (const char* security : {"ssl", "TLS", " SSL"}) {
    EXPECT_EQ(MessageOf([&] { ConnectionOfCells("", security, ""); }), "Unknown connection security") << security;
  }
  for (const char* port : {"0", "65536", "+110", " 110", "110 ", "99999999999", "1e3"}) {
    EXPECT_EQ(MessageOf([&] { ConnectionOfCells("", "", port); }), "Invalid port") << port;
  }
  // The default port is stored as an empty cell, so an account left at it stays a seven-field line.
  EXPECT_EQ(accounts::PortCell(TProtocol::Pop3, TSecurity::Tls, 995), "");
  EXPECT_EQ(accounts::PortCell(TProtocol::Pop3, TSecurity::Tls, 110), "110");
  EXPECT_EQ(accounts::PortCell(TProtocol::Pop3, TSecurity::None, 110), "");
  EXPECT_EQ(accounts::PortCell(TProtocol::Imap, TSecurity::Tls, 993), "");
  EXPECT_EQ(accounts::PortCell(TProtocol::Imap, TSecurity::None, 110), "110");
  EXPECT_EQ(accounts::SecurityCell(TSecurity::StartTls), "STARTTLS");
}

// --- Save --------------------------------------------------------------------------------------

TEST(AccountFileSave, AnEmptyTableIsAnEmptyFile) {
  AccountTable table;
  table.WriteHeaderRow();
  EXPECT_EQ(accounts::SaveAccounts(table, "\""), "");
}

TEST(AccountFileSave, NameQuotedOtherCellsAsTheyAreCrLfAfterEveryLine) {
  const std::string host = "pop.example.jp";
  AccountTable table;
  table.WriteHeaderRow();
  Fill(table,
       {{"Home", std::string(accounts::kInclude), host, "taro", "secret", std::string(accounts::kActionMessage), ""},
        {}});
  table.SetCell(0, table.RowCount() - 1, "trailing rows are never written");
  EXPECT_EQ(accounts::SaveAccounts(table, "\""),
            "\"Home\",する,pop.example.jp,taro,secret,ﾒｯｾｰｼﾞ,\r\n\"\",,,,,,\r\n");
}

TEST(AccountFileSave, TheQuoteIsTheOneGiven) {
  AccountTable table;
  Fill(table, {{"n", "a b"}});
  EXPECT_EQ(accounts::SaveAccounts(table, "'"), "'n','a b',,,,,\r\n");
}

TEST(AccountFileSave, ValuesThatReadBackPlainAreWrittenUnchanged) {
  const std::string path = "C:\\サウンド\\着信.wav";
  EXPECT_EQ(Saved({{"a, b c", "x\"y", "h", "ソー", "p@ss!", "CDﾄﾚｲ", path}}),
            "\"a, b c\",x\"y,h,ソー,p@ss!,CDﾄﾚｲ," + path + "\r\n");
}

TEST(AccountFileSave, ValuesThatWouldNotReadBackAreQuoted) {
  const Rows rows = {{"say \"hi\"", "a,b", "lead sp", "tab\there", "\"quoted", "\x01", " "}};
  const std::string bytes = Saved(rows);
  EXPECT_EQ(bytes, "\"say \"\"hi\"\"\",\"a,b\",\"lead sp\",\"tab\there\",\"\"\"quoted\",\"\x01\",\" \"\r\n");
  EXPECT_EQ(Loaded(bytes), rows);
}

TEST(AccountFileSave, QuotingLooksAtCharactersNotBytes) {
  // Second bytes that equal a comma, quote or space belong to their character: no quoting, no doubling.
  const Rows rows = {{"n\x82\"x", "a\x82,b", "\x82 c", "", "", "", ""}};
  const std::string bytes = Saved(rows);
  EXPECT_EQ(bytes, "\"n\x82\"x\",a\x82,b,\x82 c,,,,\r\n");
  EXPECT_EQ(Loaded(bytes), rows);
}

TEST(AccountFileSave, WhatTheFileCannotHoldIsLeftOutWithoutHarmingOtherCells) {
  // NUL would end the whole text and CR or LF the line: a cell is written up to the first of them.
  const Rows rows = {{std::string("na\0me", 5), "a\r\nb", "c\rd", std::string("e\nf"), "g", "h", "i"}, {"next", "x"}};
  EXPECT_EQ(Loaded(Saved(rows)), (Rows{{"na", "a", "c", "e", "g", "h", "i"}, {"next", "x", "", "", "", "", ""}}));
}

TEST(AccountFileSave, ABrokenDoubleByteCharacterAtTheEndOfACellIsLeftOutWhereItWouldSwallowADelimiter) {
  const Rows rows = {{"n\x82", "\x82", "h\x82", "sp ace\x82", "\x82\x82\x82", "", "tail\x82"}};
  const std::string bytes = Saved(rows);
  EXPECT_EQ(bytes, "\"n\",,h,\"sp ace\",\x82\x82,,tail\x82\r\n") << "the last cell ends the line, where it reads back";
  EXPECT_EQ(Loaded(bytes), (Rows{{"n", "", "h", "sp ace", "\x82\x82", "", "tail\x82"}}));
}

TEST(AccountFileSave, AnEmptyLineComesBackAsABlankAccountLine) {
  EXPECT_EQ(Saved(Loaded("\"a\",x\r\n\r\n\"b\",y\r\n")), "\"a\",x,,,,,\r\n\"\",,,,,,\r\n\"b\",y,,,,,\r\n");
}

TEST(AccountFileSave, AFileOfThreeJapaneseAccountsIsWrittenBackByteForByte) {
  const std::string file =
      "\"自宅, メイン\",する,pop.example.jp,taro,pass1,ﾒｯｾｰｼﾞ,\r\n"
      "\"\",,,,,,\r\n"
      "\"会社（ソフト表示）\",しない,mail.example.co.jp,yamada,p@ss,ｻｳﾝﾄﾞ,C:\\サウンド\\着信.wav\r\n"
      "\"趣味,予備\",する,pop3.example.net,hanako,se\"cret,CDﾄﾚｲ,\r\n";
  AccountTable table;
  accounts::LoadAccounts(table, file);
  ASSERT_EQ(table.RowCount(), 6);
  EXPECT_EQ(table.Cell(accounts::ColName, 1), "自宅, メイン");
  EXPECT_EQ(table.Cell(accounts::ColName, 2), "");
  EXPECT_EQ(table.Cell(accounts::ColInclude, 3), accounts::kExclude);
  EXPECT_EQ(table.Cell(accounts::ColName, 4), "趣味,予備");
  EXPECT_EQ(table.Cell(accounts::ColPassword, 4), "se\"cret");
  EXPECT_EQ(table.Cell(accounts::ColAction, 4), accounts::kActionCdTray);
  EXPECT_EQ(accounts::SaveAccounts(table, "\""), file);
}

// --- Round trips of random text ----------------------------------------------------------------

namespace {

// Random code page 932 text: ASCII with blanks, commas and quotes, half-width katakana and
// double-byte characters over the whole range of first and second bytes.
class Cp932Text {
public:
  explicit Cp932Text(unsigned seed) : Random(seed) {}

  std::string Next(bool plainOnly) {
    std::string text;
    const int length = Pick(0, 10);
    for (int i = 0; i < length; ++i) {
      switch (Pick(0, 3)) {
        case 0:
          text += static_cast<char>(plainOnly ? Pick(0x21, 0x7E) : Pick(0x01, 0x7F));
          break;
        case 1:
          text += plainOnly ? 'a' : " ,\"\t"[Pick(0, 3)];
          break;
        case 2:
          text += static_cast<char>(Pick(0xA1, 0xDF));
          break;
        default: {
          const int lead = Pick(0, 1) ? Pick(0x81, 0x9F) : Pick(0xE0, 0xFC);
          const int trail = Pick(0, 1) ? Pick(0x40, 0x7E) : Pick(0x80, 0xFC);
          text += static_cast<char>(lead);
          text += static_cast<char>(trail);
        }
      }
    }
    if (plainOnly) {
      std::erase_if(text, [](char c) { return c == ','; });
      if (!text.empty() && text[0] == '"') text[0] = 'q';
    }
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
  }

  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random); }

private:
  std::mt19937 Random;
};

}  // namespace

TEST(AccountFileRoundTrip, RandomCellsComeBackUnchanged) {
  Cp932Text text(20261208);
  for (int round = 0; round < 3000; ++round) {
    Rows rows(static_cast<std::size_t>(text.Pick(0, 5)));
    for (auto& row : rows) {
      for (int col = 0; col < AccountTable::ColCount; ++col) row.push_back(text.Next(false));
      DropEmptyConnection(row);
    }
    const std::string bytes = Saved(rows);
    ASSERT_EQ(Loaded(bytes), rows) << bytes;
    ASSERT_EQ(Saved(Loaded(bytes)), bytes);
  }
}

TEST(AccountFileRoundTrip, RandomPlainValuesAreWrittenAsTheyAre) {
  Cp932Text text(7);
  for (int round = 0; round < 1000; ++round) {
    std::vector<std::string> row = {text.Next(false)};
    std::erase(row[0], '"');
    std::string expected = "\"" + row[0] + "\"";
    for (int col = 1; col < accounts::ColSecurity; ++col) {
      row.push_back(text.Next(true));
      expected += "," + row.back();
    }
    ASSERT_EQ(Saved({row}), expected + "\r\n");
  }
}

// --- The file on disk --------------------------------------------------------------------------

namespace {

class FakeFiles : public accounts::AccountFileSystem {
public:
  ReadResult ReadWhole(const std::string& path, std::string& bytes) override {
    ReadPath = path;
    bytes = Content;
    return Result;
  }
  bool ReplaceWhole(const std::string& path, std::string_view bytes) override {
    WritePath = path;
    if (WriteWorks) Content = bytes;
    return WriteWorks;
  }

  ReadResult Result = ReadResult::Read;
  bool WriteWorks = true;
  std::string Content, ReadPath, WritePath;
};

const std::string kPath = "C:\\Program Files\\Pelmora\\account.dat";

}  // namespace

TEST(AccountFileDisk, TheFileIsLoadedFromItsPath) {
  FakeFiles files;
  files.Content = "\"a\",x\r\n";
  AccountTable table;
  accounts::LoadAccountFile(table, files, kPath);
  EXPECT_EQ(files.ReadPath, kPath);
  EXPECT_EQ(AccountRows(table), (Rows{{"a", "x", "", "", "", "", ""}}));
}

TEST(AccountFileDisk, AMissingFileIsAnEmptyTable) {
  FakeFiles files;
  files.Result = FakeFiles::ReadResult::Missing;
  files.Content = "\"ignored\"\r\n";
  AccountTable table;
  Fill(table, {{"x"}});
  accounts::LoadAccountFile(table, files, kPath);
  EXPECT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.Cell(0, 1), "");
}

TEST(AccountFileDisk, AFileThatCannotBeReadIsAnErrorNamingIt) {
  FakeFiles files;
  files.Result = FakeFiles::ReadResult::Failed;
  AccountTable table;
  Fill(table, {{"kept"}});
  EXPECT_EQ(MessageOf([&] { accounts::LoadAccountFile(table, files, kPath); }),
            "ファイル C:\\Program Files\\Pelmora\\account.dat は開けません");
  EXPECT_EQ(AccountRows(table), (Rows{{"kept", "", "", "", "", "", ""}}));
}

TEST(AccountFileDisk, TheSaveReplacesTheWholeFile) {
  FakeFiles files;
  AccountTable table;
  Fill(table, {{"a", "b"}});
  accounts::SaveAccountFile(table, files, kPath, "\"");
  EXPECT_EQ(files.WritePath, kPath);
  EXPECT_EQ(files.Content, "\"a\",b,,,,,\r\n");
}

TEST(AccountFileDisk, AFailedSaveIsAnErrorNamingTheFile) {
  FakeFiles files;
  files.WriteWorks = false;
  files.Content = "old";
  AccountTable table;
  EXPECT_EQ(MessageOf([&] { accounts::SaveAccountFile(table, files, kPath, "\""); }),
            "ファイル C:\\Program Files\\Pelmora\\account.dat を作成できません");
  EXPECT_EQ(files.Content, "old");
}
