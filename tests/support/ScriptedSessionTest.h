#pragma once
// A mailbox session client against a scripted server of the test's own, logging in as "alice".
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "tests/support/ScriptedPop3Server.h"
#include "toolkit/Application.h"

template <typename TClient>
class ScriptedSessionTest : public ::testing::Test {
protected:
  void SetUp() override {
    Client.Host = Server.Address();
    Client.Port = Server.Port();
    Client.TimeOut = 5000;
    Client.UserID = "alice";
    Client.Password = "secret";
  }

  // Everything the client sent in the session, once the session has ended.
  std::string Transcript(std::size_t session = 0) {
    EXPECT_TRUE(Server.WaitForSessionEnd(session, 5000)) << "session " << session << " still open";
    return Server.Received(session);
  }

  ScriptedPop3Server Server;
  TClient Client{Application()};
};
