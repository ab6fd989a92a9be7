#include "checking/portable/CheckRules.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace checking;

TEST(RecordCount, NotifiesEveryChangeToOneOrMoreAndRecordsZeroSilently) {
  std::vector<std::int32_t> last(2, 0);
  std::vector<std::int32_t> notified;
  for (std::int32_t n : {0, 3, 3, 5, 2, 0, 2}) {
    if (RecordCount(last, 1, n)) notified.push_back(n);
  }
  EXPECT_EQ(notified, (std::vector<std::int32_t>{3, 5, 2, 2}));
  EXPECT_FALSE(RecordCount(last, 1, -1));
  EXPECT_EQ(last[1], -1);
  // A row beyond the table's old end gets an entry of its own.
  EXPECT_TRUE(RecordCount(last, 300, 4));
  EXPECT_EQ(last[300], 4);
  EXPECT_EQ(last[1], -1);
}

TEST(CheckTexts, AreComposedExactly) {
  EXPECT_EQ(NewMailText("Home", 3),
            "'Home' に 3 通のメールが届いています。");
  EXPECT_EQ(NewMailText("a'b", 12345).substr(0, 14), "'a'b' に 12345");
  EXPECT_EQ(FailureText("x").substr(0, 5), "'x' \x82");
}

TEST(CheckRequests, ARequestDuringACycleRunsOnceMoreAfterIt) {
  CheckRequests requests;
  ASSERT_TRUE(requests.Begin());
  EXPECT_FALSE(requests.Begin());
  EXPECT_FALSE(requests.Begin());
  EXPECT_TRUE(requests.RunAgain());   // the remembered one
  EXPECT_TRUE(requests.Running());
  EXPECT_FALSE(requests.RunAgain());  // nothing more was asked
  EXPECT_FALSE(requests.Running());
  EXPECT_TRUE(requests.Begin());
}

TEST(CheckRequests, RunServesARequestMadeDuringTheCycleAndSurvivesACycleThatThrows) {
  CheckRequests requests;
  int runs = 0;
  requests.Run([&] {
    if (++runs == 1) requests.Run([&] { ADD_FAILURE() << "nested cycle ran"; });
  });
  EXPECT_EQ(runs, 2);
  EXPECT_THROW(requests.Run([] { throw std::runtime_error("escaped"); }), std::runtime_error);
  EXPECT_FALSE(requests.Running());
  requests.Run([&] { ++runs; });
  EXPECT_EQ(runs, 3);
}
