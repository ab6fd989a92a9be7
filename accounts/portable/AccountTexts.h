#pragma once
// The fixed texts of the account table, as code page 932 bytes. Every comparison with them is an
// exact byte comparison, so all parts take them from here.
#include <array>
#include <string_view>

namespace accounts {

// Column 1: whether the account takes part in checks.
inline constexpr std::string_view kInclude = "する";
inline constexpr std::string_view kExclude = "しない";

// Column 5: the action on new mail (half-width katakana).
inline constexpr std::string_view kActionMessage = "ﾒｯｾｰｼﾞ";
inline constexpr std::string_view kActionSound = "ｻｳﾝﾄﾞ";
inline constexpr std::string_view kActionCdTray = "CDﾄﾚｲ";

// Column 7: how the connection is secured; empty for none.
inline constexpr std::string_view kSecuritySsl = "SSL";
inline constexpr std::string_view kSecurityStartTls = "STARTTLS";

// Column 9: the mailbox protocol; empty for POP3.
inline constexpr std::string_view kProtocolImap = "IMAP";

// What the dialog's drop-downs and the grid show of a connection, in the order of TProtocol and of
// TSecurity.
inline constexpr std::array<std::string_view, 2> kProtocolNames = {"POP3", "IMAP"};
inline constexpr std::array<std::string_view, 3> kSecurityNames = {"なし", "SSL/TLS", "STARTTLS"};

// Titles of the header row, one per column; each begins with a space.
inline constexpr std::array<std::string_view, 11> kColumnTitles = {
    " ｱｶｳﾝﾄ名",
    " ﾁｪｯｸ",
    " ﾎｽﾄ名",
    " ﾕｰｻﾞｰ名",
    " ﾊﾟｽﾜｰﾄﾞ",
    " 動作",
    " ｻｳﾝﾄﾞ",
    " 接続の保護",
    " ﾎﾟｰﾄ",
    " ﾌﾟﾛﾄｺﾙ",
    " ｻｲﾝｲﾝ",
};

}  // namespace accounts
