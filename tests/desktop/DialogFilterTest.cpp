#include "desktop/DialogFilter.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(DialogFilter, BarsBecomeNulsAndASecondNulEndsTheList) {
  // サウンドファイル (すべての種類)
  const std::string description =
      "\x83\x54\x83\x45\x83\x93\x83\x68\x83\x74\x83\x40\x83\x43\x83\x8b\x20\x28\x82\xb7\x82\xd7\x82\xc4\x82\xcc\x8e"
      "\xed\x97\xde\x29";
  const std::string patterns = "*.mid;*.rmi;*.midi;*.asf;*.wm;*.wma;*.wmv;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.mp3";
  EXPECT_EQ(DialogFilter(description + "|" + patterns), description + '\0' + patterns + "\0\0"s);
  EXPECT_EQ(DialogFilter("Text|*.txt|All|*.*"), "Text\0*.txt\0All\0*.*\0\0"s);
}

TEST(DialogFilter, TheSecondByteOfADoubleByteCharacterIsNoBar) {
  const std::string pop = "\x83\x7c\x83\x62\x83\x76";  // ポップ: its first character ends in 0x7C
  EXPECT_EQ(DialogFilter(pop + "|*.pop"), pop + '\0' + "*.pop" + "\0\0"s);
}

TEST(DialogFilter, EmptyFilterStaysEmpty) { EXPECT_EQ(DialogFilter(""), ""); }
