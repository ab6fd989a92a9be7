#include "toolkit/portable/Accelerator.h"

#include <gtest/gtest.h>

TEST(AcceleratorKey, IsTheCharacterAfterASingleAmpersandInUpperCase) {
  EXPECT_EQ(AcceleratorKey("分ごと(&I)"), 'I');
  EXPECT_EQ(AcceleratorKey("&save"), 'S');
  EXPECT_EQ(AcceleratorKey("no key"), 0);
  EXPECT_EQ(AcceleratorKey("trailing&"), 0);
  // "&&" is a literal ampersand, the key follows a later single one.
  EXPECT_EQ(AcceleratorKey("A&&B"), 0);
  EXPECT_EQ(AcceleratorKey("A&&B&c"), 'C');
  // A double-byte character after "&" is no key; its bytes are never read as "&".
  EXPECT_EQ(AcceleratorKey("&あ"), 0);
}
