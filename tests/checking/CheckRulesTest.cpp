#include "checking/portable/CheckRules.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

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
  requests.Run({}, [&](const CheckRequests::Only&) {
    if (++runs == 1) requests.Run({}, [&](const CheckRequests::Only&) { ADD_FAILURE() << "nested cycle ran"; });
  });
  EXPECT_EQ(runs, 2);
  EXPECT_THROW(requests.Run({}, [](const CheckRequests::Only&) { throw std::runtime_error("escaped"); }),
               std::runtime_error);
  EXPECT_FALSE(requests.Running());
  requests.Run({}, [&](const CheckRequests::Only&) { ++runs; });
  EXPECT_EQ(runs, 3);
}

// Checks of some accounts asked for during a check are merged into one check right after it, each
// account once; a whole cycle asked for meanwhile covers them; a check of no account is none; an
// escaping error leaves a check of some accounts as free to run as a cycle.
TEST(CheckRequests, ChecksOfSomeAccountsAskedForMeanwhileRunOnceEachAfterTheCheck) {
  const AccountKey a{"a", 110, "u"}, b{"b", 110, "u"}, c{"c", 993, "u"};
  CheckRequests requests;
  std::vector<CheckRequests::Only> checked;
  const auto record = [&](const std::function<void()>& during) {
    return [&checked, during](const CheckRequests::Only& only) {
      checked.push_back(only);
      if (checked.size() == 1 && during) during();
    };
  };
  const auto ask = [&](CheckRequests::Only only) {
    requests.Run(only, [](const CheckRequests::Only&) { ADD_FAILURE() << "nested check ran"; });
  };
  requests.Run(std::vector{a, a}, record([&] {
                 ask(std::vector{b, a});
                 ask(std::vector{b});
                 ask(std::vector<AccountKey>{});
               }));
  EXPECT_EQ(checked, (std::vector<CheckRequests::Only>{std::vector{a}, std::vector{a, b}}));

  checked.clear();
  requests.Run(std::vector{c}, record([&] {
                 ask(std::vector{a});
                 ask(std::nullopt);
                 ask(std::vector{b});
               }));
  EXPECT_EQ(checked, (std::vector<CheckRequests::Only>{std::vector{c}, std::nullopt}));

  checked.clear();
  requests.Run(std::vector<AccountKey>{}, record({}));
  EXPECT_TRUE(checked.empty());
  EXPECT_THROW(requests.Run(std::vector{a}, [&](const CheckRequests::Only&) {
                 ask(std::vector{b});
                 throw std::runtime_error("escaped");
               }),
               std::runtime_error);
  EXPECT_FALSE(requests.Running());
  requests.Run(std::vector{c}, record({}));
  EXPECT_EQ(checked, (std::vector<CheckRequests::Only>{std::vector{c}}));
}
