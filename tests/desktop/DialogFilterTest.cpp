#include "desktop/portable/DialogFilter.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(DialogFilter, BarsBecomeNulsAndASecondNulEndsTheList) {
  // サウンドファイル (すべての種類)
  const std::string description =
      "サウンドファイル (すべての種類)";
  const std::string patterns = "*.mid;*.rmi;*.midi;*.asf;*.wm;*.wma;*.wmv;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.mp3";
  EXPECT_EQ(DialogFilter(description + "|" + patterns), description + '\0' + patterns + "\0\0"s);
  EXPECT_EQ(DialogFilter("Text|*.txt|All|*.*"), "Text\0*.txt\0All\0*.*\0\0"s);
}

TEST(DialogFilter, TheSecondByteOfADoubleByteCharacterIsNoBar) {
  const std::string pop = "ポップ";  // ポップ: its first character ends in 0x7C
  EXPECT_EQ(DialogFilter(pop + "|*.pop"), pop + '\0' + "*.pop" + "\0\0"s);
}

TEST(DialogFilter, EmptyFilterStaysEmpty) { EXPECT_EQ(DialogFilter(""), ""); }
