#include "desktop/portable/IconLook.h"

#include <gtest/gtest.h>

#include "resources/Resource.h"

// A light taskbar gets the dark drawing and the other way round; high contrast wins over any theme;
// without the theme value (before Windows 10) the icons stay those of old.
TEST(IconLook, FollowsTheTaskbarThemeAndHighContrast) {
  EXPECT_EQ(ChooseIconLook(std::nullopt, false), IconLook::AsBefore);
  EXPECT_EQ(ChooseIconLook(1u, false), IconLook::ForLightTaskbar);
  EXPECT_EQ(ChooseIconLook(0u, false), IconLook::ForDarkTaskbar);
  EXPECT_EQ(ChooseIconLook(7u, false), IconLook::ForLightTaskbar);
  for (const auto theme : {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{0u}, std::optional<std::uint32_t>{1u}})
    EXPECT_EQ(ChooseIconLook(theme, true), IconLook::HighContrast);

  EXPECT_EQ(IconOfLook(IDI_MAINICON, IconLook::AsBefore), IDI_MAINICON);
  EXPECT_EQ(IconOfLook(IDI_MAINICON, IconLook::ForLightTaskbar), IDI_MAINICON_LIGHT);
  EXPECT_EQ(IconOfLook(IDI_NEWMAILICON, IconLook::ForDarkTaskbar), IDI_NEWMAILICON_DARK);
  EXPECT_EQ(IconOfLook(IDI_NEWMAILICON, IconLook::HighContrast), IDI_NEWMAILICON_CONTRAST);

  EXPECT_TRUE(IsColourSetChange(u"ImmersiveColorSet"));
  EXPECT_FALSE(IsColourSetChange(u"Environment"));
  EXPECT_FALSE(IsColourSetChange(u""));
}
