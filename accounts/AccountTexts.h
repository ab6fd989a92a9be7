#pragma once
// The fixed texts of the account table, as code page 932 bytes. Every comparison with them is an
// exact byte comparison, so all parts take them from here.
#include <array>
#include <string_view>

namespace accounts {

// Column 1: whether the account takes part in checks.
inline constexpr std::string_view kInclude = "\x82\xb7\x82\xe9";          // する
inline constexpr std::string_view kExclude = "\x82\xb5\x82\xc8\x82\xa2";  // しない

// Column 5: the action on new mail (half-width katakana).
inline constexpr std::string_view kActionMessage = "\xd2\xaf\xbe\xb0\xbc\xde";  // ﾒｯｾｰｼﾞ
inline constexpr std::string_view kActionSound = "\xbb\xb3\xdd\xc4\xde";        // ｻｳﾝﾄﾞ
inline constexpr std::string_view kActionCdTray = "CD\xc4\xda\xb2";             // CDﾄﾚｲ

// Column 7: how the connection is secured; empty for none.
inline constexpr std::string_view kSecuritySsl = "SSL";
inline constexpr std::string_view kSecurityStartTls = "STARTTLS";

// Titles of the header row, one per column; each begins with a space.
inline constexpr std::array<std::string_view, 9> kColumnTitles = {
    " \xb1\xb6\xb3\xdd\xc4\x96\xbc",  //  ｱｶｳﾝﾄ名
    " \xc1\xaa\xaf\xb8",              //  ﾁｪｯｸ
    " \xce\xbd\xc4\x96\xbc",          //  ﾎｽﾄ名
    " \xd5\xb0\xbb\xde\xb0\x96\xbc",  //  ﾕｰｻﾞｰ名
    " \xca\xdf\xbd\xdc\xb0\xc4\xde",  //  ﾊﾟｽﾜｰﾄﾞ
    " \x93\xae\x8d\xec",              //  動作
    " \xbb\xb3\xdd\xc4\xde",          //  ｻｳﾝﾄﾞ
    " 接続の保護",
    " ﾎﾟｰﾄ",
};

}  // namespace accounts
