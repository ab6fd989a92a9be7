#include "signin/RedirectListener.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/pop3/Pumping.h"

namespace {

constexpr char kRedirect[] = "GET /?code=c1&state=s1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
constexpr char kPage[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";

// A blocking client, so the test's thread can pump the listener's notices: its connection, its
// request sent in the pieces given (a pause between them), and all it read until the listener
// closed; "refused" when nobody listens.
std::string Exchange(uint16_t port, const std::vector<std::string>& pieces) {
  const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  remote.sin_port = htons(port);
  if (connect(client, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
    closesocket(client);
    return "refused";
  }
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) Sleep(100);
    send(client, pieces[i].data(), static_cast<int>(pieces[i].size()), 0);
  }
  std::string received;
  char chunk[1024];
  for (int read; (read = recv(client, chunk, sizeof chunk, 0)) > 0;) received.append(chunk, read);
  closesocket(client);
  return received;
}

// Exchange on a thread of its own, which wakes the test's wait once the outcome is there.
std::future<std::string> Fetch(uint16_t port, std::vector<std::string> pieces) {
  std::promise<std::string> outcome;
  std::future<std::string> future = outcome.get_future();
  std::thread([port, pieces = std::move(pieces), outcome = std::move(outcome), waiter = GetCurrentThreadId()]() mutable {
    outcome.set_value(Exchange(port, pieces));
    PostThreadMessageW(waiter, WM_NULL, 0, 0);
  }).detach();
  return future;
}

std::string Await(std::future<std::string>& reply) {
  EXPECT_TRUE(PumpUntil([&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 5000));
  return reply.get();
}

// Accepts the request with state s1 and refuses others; records every head and event.
class RedirectListenerTest : public testing::Test {
protected:
  std::unique_ptr<TRedirectListener> Listen(uint32_t deadlineMs = TRedirectListener::kDeadlineMs) {
    auto listener = std::make_unique<TRedirectListener>(
        [this](std::string_view head, std::string& reply) {
          Heads.emplace_back(head);
          const bool expected = head.find("state=s1 ") != std::string_view::npos;
          reply = expected ? kPage : "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n";
          return expected;
        },
        deadlineMs);
    listener->OnDone = [this](TRedirectListener*) { ++Done; };
    listener->OnTimeOut = [this](TRedirectListener*) { ++TimedOut; };
    return listener;
  }

  TWinsockUse Winsock;
  std::vector<std::string> Heads;
  int Done = 0;
  int TimedOut = 0;
};

}  // namespace

TEST_F(RedirectListenerTest, TheRedirectGetsTheHandlersReplyAndEndsTheListening) {
  const int windowsBefore = CountThreadWindows(L"PelmoraRedirectListener");
  auto listener = Listen();
  ASSERT_NE(listener->Port(), 0);
  auto reply = Fetch(listener->Port(), {kRedirect});
  EXPECT_EQ(Await(reply), kPage);
  EXPECT_EQ(Heads, std::vector<std::string>{kRedirect});
  EXPECT_EQ(Done, 1);
  auto late = Fetch(listener->Port(), {kRedirect});
  EXPECT_EQ(Await(late), "refused");

  listener.reset();
  EXPECT_EQ(CountThreadWindows(L"PelmoraRedirectListener"), windowsBefore);
  EXPECT_EQ(Done, 1);
  EXPECT_EQ(TimedOut, 0);
}

TEST_F(RedirectListenerTest, ARefusedRequestOrABrokenHeadLeavesTheListenerWaitingForTheRight) {
  auto listener = Listen();
  auto wrong = Fetch(listener->Port(), {"GET /?code=c1&state=s2 HTTP/1.1\r\n\r\n"});
  EXPECT_EQ(Await(wrong), "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
  // A head that never ends within its bound is dropped unanswered, and nobody is asked about it.
  auto endless = Fetch(listener->Port(), {"GET /?" + std::string(TRedirectListener::kMaxHeadBytes, 'a')});
  EXPECT_EQ(Await(endless), "");
  EXPECT_EQ(Heads.size(), 1u);
  EXPECT_EQ(Done, 0);

  // The head in pieces is one head.
  const std::string head = kRedirect;
  auto right = Fetch(listener->Port(), {head.substr(0, 20), head.substr(20, 30), head.substr(50)});
  EXPECT_EQ(Await(right), kPage);
  ASSERT_EQ(Heads.size(), 2u);
  EXPECT_EQ(Heads[1], kRedirect);
  EXPECT_EQ(Done, 1);
}

TEST_F(RedirectListenerTest, TheDeadlineEndsTheWaitAndClosesWhatIsOpen) {
  auto listener = Listen(300);
  // A browser that connected and said nothing is closed with the rest.
  auto mute = Fetch(listener->Port(), {});
  EXPECT_TRUE(PumpUntil([&] { return TimedOut > 0; }, 5000));
  EXPECT_EQ(Await(mute), "");
  EXPECT_EQ(Done, 0);
  auto late = Fetch(listener->Port(), {kRedirect});
  EXPECT_EQ(Await(late), "refused");
  EXPECT_TRUE(Heads.empty());
}

TEST_F(RedirectListenerTest, ACancelOrTheEndLeavesNoSocketAndNoEvent) {
  const int windowsBefore = CountThreadWindows(L"PelmoraRedirectListener");
  auto cancelled = Listen(300);
  auto mute = Fetch(cancelled->Port(), {});
  PumpFor(100);
  cancelled->Cancel();
  EXPECT_EQ(Await(mute), "");
  PumpFor(500);
  EXPECT_EQ(TimedOut, 0);
  const uint16_t cancelledPort = cancelled->Port();
  auto afterCancel = Fetch(cancelledPort, {kRedirect});
  EXPECT_EQ(Await(afterCancel), "refused");

  auto destroyed = Listen();
  auto open = Fetch(destroyed->Port(), {"GET / HTTP/1.1\r\n"});
  PumpFor(100);
  const uint16_t destroyedPort = destroyed->Port();
  destroyed.reset();
  EXPECT_EQ(Await(open), "");
  auto afterEnd = Fetch(destroyedPort, {kRedirect});
  EXPECT_EQ(Await(afterEnd), "refused");
  cancelled.reset();
  EXPECT_EQ(CountThreadWindows(L"PelmoraRedirectListener"), windowsBefore);
  EXPECT_TRUE(Heads.empty());
  EXPECT_EQ(Done + TimedOut, 0);
}
