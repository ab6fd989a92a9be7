#pragma once
// A POP3 server for tests that plays a script per connection on a background thread: it can split a
// reply into pieces, send several lines in one segment, stay silent, close in the middle of a line,
// or answer each command through a function. It records every byte each client sent.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class ServerScript {
public:
  // Sends bytes at once, as one segment (Nagle is off, so a Pause separates the next piece).
  ServerScript& Send(std::string bytes);
  ServerScript& Pause(int milliseconds);
  // Reads one line from the client, up to and including its LF.
  ServerScript& Receive();
  // Receive, then Send.
  ServerScript& Reply(std::string bytes);
  // Ends the server's side (FIN) and keeps recording until the client closes.
  ServerScript& Close();
  // Answers every further line with what respond returns; a nullopt ends the session with Close.
  ServerScript& Respond(std::function<std::optional<std::string>(const std::string& line)> respond);
  // Sends bytes again and again until the client closes or resets the connection.
  ServerScript& Repeat(std::string bytes);

  // The positive dialogue of one check: greeting (after greetingDelayMs), USER, PASS, statReply to
  // STAT, then QUIT.
  static ServerScript Pop3Check(std::string statReply = "+OK 3 708\r\n", int greetingDelayMs = 0);
  // An IMAP server: the greeting, then each command answered by the first of `replies` whose key
  // begins the command after its tag, with "$" in the answer standing for the tag; a literal's
  // announcement is answered with "+", and after an answer "+" the next line goes on with the same
  // command. A command without an answer ends the session.
  static ServerScript Imap(std::string greeting, std::vector<std::pair<std::string, std::string>> replies);
  // An IMAP server that takes a client through its login into IDLE, its INBOX holding 3 messages under
  // UIDVALIDITY 5; without `canIdle` it does not list IDLE, without `answersDone` it leaves DONE
  // unanswered, as a connection that died on the way does.
  static ServerScript ImapIdle(bool canIdle = true, bool answersDone = true);

  struct Step {
    enum Kind { SendBytes, PauseMs, ReceiveLine, CloseSend, RespondLines, RepeatBytes } What;
    std::string Bytes;
    int Milliseconds = 0;
    std::function<std::optional<std::string>(const std::string&)> Responder;
  };
  const std::vector<Step>& Steps() const { return StepList; }

private:
  std::vector<Step> StepList;
};

class ScriptedPop3Server {
public:
  // Listens on address:port (port 0 takes a free one). After its script, a session keeps recording
  // what the client sends, without answering, until the client closes or the server stops.
  explicit ScriptedPop3Server(const std::string& address = "127.0.0.1", uint16_t port = 0);
  ~ScriptedPop3Server();
  ScriptedPop3Server(const ScriptedPop3Server&) = delete;
  ScriptedPop3Server& operator=(const ScriptedPop3Server&) = delete;

  // Scripts for the next connections, in order of arrival.
  void Add(ServerScript script);
  // The script of every connection beyond the added ones; without it such a connection is closed.
  void SetDefault(ServerScript script);

  const std::string& Address() const { return ListenAddress; }
  uint16_t Port() const { return ListenPort; }

  // Sends bytes on a session from the test's thread, beside its script: what an IDLE server tells.
  void Push(std::size_t session, const std::string& bytes);
  // Breaks a session's connection off at once, as a server that goes away does.
  void Drop(std::size_t session);

  std::size_t SessionCount() const;
  // All bytes that the client of session index (0 = first connection) sent so far.
  std::string Received(std::size_t session) const;
  // The same, split after each LF (a trailing piece without LF is the last element).
  std::vector<std::string> ReceivedLines(std::size_t session) const;
  // Waits until the session has ended (both sides closed); false after timeoutMs.
  bool WaitForSessionEnd(std::size_t session, int timeoutMs) const;
  // Waits until at least count sessions were accepted; false after timeoutMs.
  bool WaitForSessions(std::size_t count, int timeoutMs) const;

private:
  struct Session;
  void AcceptLoop();
  void Serve(Session& session, const ServerScript& script);

  std::string ListenAddress;
  uint16_t ListenPort = 0;
  uintptr_t Listener;
  bool Stopping = false;
  mutable std::mutex Lock;
  mutable std::condition_variable Changed;
  std::deque<ServerScript> Scripts;
  std::optional<ServerScript> DefaultScript;
  std::vector<std::unique_ptr<Session>> Sessions;
  std::vector<std::thread> Workers;
  std::thread Acceptor;
};
