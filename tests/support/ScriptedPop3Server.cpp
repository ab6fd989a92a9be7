#include "tests/support/ScriptedPop3Server.h"

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <stdexcept>


ServerScript& ServerScript::Send(std::string bytes) {
  StepList.push_back({Step::SendBytes, std::move(bytes), 0, {}});
  return *this;
}

ServerScript& ServerScript::Pause(int milliseconds) {
  StepList.push_back({Step::PauseMs, {}, milliseconds, {}});
  return *this;
}

ServerScript& ServerScript::Receive() {
  StepList.push_back({Step::ReceiveLine, {}, 0, {}});
  return *this;
}

ServerScript& ServerScript::Reply(std::string bytes) { return Receive().Send(std::move(bytes)); }

ServerScript& ServerScript::Close() {
  StepList.push_back({Step::CloseSend, {}, 0, {}});
  return *this;
}

ServerScript& ServerScript::Respond(std::function<std::optional<std::string>(const std::string&)> respond) {
  StepList.push_back({Step::RespondLines, {}, 0, std::move(respond)});
  return *this;
}

ServerScript& ServerScript::Repeat(std::string bytes) {
  StepList.push_back({Step::RepeatBytes, std::move(bytes), 0, {}});
  return *this;
}

ServerScript ServerScript::Pop3Check(std::string statReply, int greetingDelayMs) {
  ServerScript script;
  if (greetingDelayMs > 0) script.Pause(greetingDelayMs);
  script.Send("+OK ready\r\n")
      .Reply("+OK user\r\n")
      .Reply("+OK logged in\r\n")
      .Reply(std::move(statReply))
      .Reply("+OK bye\r\n")
      .Close();
  return script;
}

ServerScript ServerScript::Imap(std::string greeting, std::vector<std::pair<std::string, std::string>> replies) {
  auto pending = std::make_shared<std::string>();
  return ServerScript().Send(std::move(greeting)).Respond([pending, replies](const std::string& line)
                                                              -> std::optional<std::string> {
    *pending += line;
    if (line.ends_with("}\r\n")) return "+ go on\r\n";
    const std::string tag = pending->substr(0, pending->find(' '));
    for (const auto& [key, answer] : replies) {
      if (pending->compare(tag.size() + 1, key.size(), key) != 0) continue;
      if (!answer.starts_with("+")) pending->clear();
      std::string text = answer;
      for (std::size_t at = text.find('$'); at != std::string::npos; at = text.find('$', at + tag.size()))
        text.replace(at, 1, tag);
      return text;
    }
    return std::nullopt;
  });
}

ServerScript ServerScript::ImapIdle(bool canIdle, bool answersDone) {
  auto idleTag = std::make_shared<std::string>();
  return ServerScript().Send("* OK ready\r\n").Respond([=](const std::string& line) -> std::optional<std::string> {
    if (line == "DONE\r\n") return answersDone ? *idleTag + " OK idle done\r\n" : std::string();
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) return std::nullopt;
    const std::string tag = line.substr(0, space);
    const std::string command = line.substr(space + 1);
    if (command.starts_with("CAPABILITY"))
      return std::string("* CAPABILITY IMAP4rev1") + (canIdle ? " IDLE" : "") + "\r\n" + tag + " OK\r\n";
    if (command.starts_with("LOGIN")) return tag + " OK logged in\r\n";
    if (command.starts_with("EXAMINE")) return "* 3 EXISTS\r\n* OK [UIDVALIDITY 5] ok\r\n" + tag + " OK [READ-ONLY]\r\n";
    if (command.starts_with("IDLE")) {
      *idleTag = tag;
      return std::string("+ idling\r\n");
    }
    if (command.starts_with("LOGOUT")) return "* BYE\r\n" + tag + " OK\r\n";
    return std::nullopt;
  });
}

struct ScriptedPop3Server::Session {
  SOCKET Socket = INVALID_SOCKET;
  std::string Bytes;
  bool Ended = false;
};

ScriptedPop3Server::ScriptedPop3Server(const std::string& address, uint16_t port) : ListenAddress(address) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (port != 0) {
    // A fixed port is taken again at once by the next test, while the last one may be in TIME_WAIT.
    const BOOL reuse = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = inet_addr(address.c_str());
  int length = sizeof local;
  if (listener == INVALID_SOCKET || bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      listen(listener, 16) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    const int error = WSAGetLastError();
    if (listener != INVALID_SOCKET) closesocket(listener);
    WSACleanup();
    throw std::runtime_error("test server cannot listen on " + address + ":" + std::to_string(port) +
                             " (error " + std::to_string(error) + ")");
  }
  Listener = listener;
  ListenPort = ntohs(local.sin_port);
  Acceptor = std::thread([this] { AcceptLoop(); });
}

ScriptedPop3Server::~ScriptedPop3Server() {
  {
    std::lock_guard<std::mutex> guard(Lock);
    Stopping = true;
  }
  Acceptor.join();
  for (std::thread& worker : Workers) worker.join();
  closesocket(static_cast<SOCKET>(Listener));
  WSACleanup();
}

void ScriptedPop3Server::Add(ServerScript script) {
  std::lock_guard<std::mutex> guard(Lock);
  Scripts.push_back(std::move(script));
}

void ScriptedPop3Server::SetDefault(ServerScript script) {
  std::lock_guard<std::mutex> guard(Lock);
  DefaultScript = std::move(script);
}

void ScriptedPop3Server::Push(std::size_t session, const std::string& bytes) {
  SOCKET socket = INVALID_SOCKET;
  {
    std::lock_guard<std::mutex> guard(Lock);
    if (session < Sessions.size() && !Sessions[session]->Ended) socket = Sessions[session]->Socket;
  }
  if (socket != INVALID_SOCKET) send(socket, bytes.data(), static_cast<int>(bytes.size()), 0);
}

void ScriptedPop3Server::Drop(std::size_t session) {
  std::lock_guard<std::mutex> guard(Lock);
  if (session < Sessions.size() && !Sessions[session]->Ended) shutdown(Sessions[session]->Socket, SD_BOTH);
}

std::size_t ScriptedPop3Server::SessionCount() const {
  std::lock_guard<std::mutex> guard(Lock);
  return Sessions.size();
}

std::string ScriptedPop3Server::Received(std::size_t session) const {
  std::lock_guard<std::mutex> guard(Lock);
  return session < Sessions.size() ? Sessions[session]->Bytes : std::string();
}

std::vector<std::string> ScriptedPop3Server::ReceivedLines(std::size_t session) const {
  const std::string bytes = Received(session);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    const std::size_t end = lf == std::string::npos ? bytes.size() : lf + 1;
    lines.push_back(bytes.substr(start, end - start));
    start = end;
  }
  return lines;
}

bool ScriptedPop3Server::WaitForSessionEnd(std::size_t session, int timeoutMs) const {
  std::unique_lock<std::mutex> guard(Lock);
  return Changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                          [&] { return session < Sessions.size() && Sessions[session]->Ended; });
}

bool ScriptedPop3Server::WaitForSessions(std::size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> guard(Lock);
  return Changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return Sessions.size() >= count; });
}

namespace {
// Waits up to 20 ms for the socket to become readable, so the loops can notice Stopping.
bool Readable(SOCKET socket) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval wait{0, 20000};
  return select(0, &set, nullptr, nullptr, &wait) > 0;
}
}  // namespace

void ScriptedPop3Server::AcceptLoop() {
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(Lock);
      if (Stopping) return;
    }
    const SOCKET listener = static_cast<SOCKET>(Listener);
    if (!Readable(listener)) continue;
    const SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    const BOOL noDelay = TRUE;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    std::lock_guard<std::mutex> guard(Lock);
    Sessions.push_back(std::make_unique<Session>());
    Session& session = *Sessions.back();
    session.Socket = client;
    std::optional<ServerScript> script;
    if (!Scripts.empty()) {
      script = std::move(Scripts.front());
      Scripts.pop_front();
    } else {
      script = DefaultScript;
    }
    if (!script) script = ServerScript().Close();
    Workers.emplace_back([this, &session, script = std::move(*script)] { Serve(session, script); });
    Changed.notify_all();
  }
}

void ScriptedPop3Server::Serve(Session& session, const ServerScript& script) {
  const SOCKET socket = session.Socket;
  auto stopping = [this] {
    std::lock_guard<std::mutex> guard(Lock);
    return Stopping;
  };
  bool clientClosed = false;
  std::string pending;  // received and recorded, not yet taken by a Receive step
  // Receives what is there into the record; false when the client has closed or the server stops.
  auto receiveMore = [&] {
    while (!clientClosed) {
      if (stopping()) return false;
      if (!Readable(socket)) continue;
      char chunk[4096];
      const int n = recv(socket, chunk, sizeof chunk, 0);
      if (n <= 0) {
        clientClosed = true;
        return false;
      }
      pending.append(chunk, static_cast<std::size_t>(n));
      std::lock_guard<std::mutex> guard(Lock);
      session.Bytes.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    return false;
  };
  auto readLine = [&](std::string& line) {
    std::size_t lf;
    while ((lf = pending.find('\n')) == std::string::npos) {
      if (!receiveMore()) return false;
    }
    line = pending.substr(0, lf + 1);
    pending.erase(0, lf + 1);
    return true;
  };
  // False when the client has gone.
  auto sendAll = [&](const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const int n = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  };
  bool finished = false;
  for (const ServerScript::Step& step : script.Steps()) {
    if (finished || clientClosed || stopping()) break;
    std::string line;
    switch (step.What) {
      case ServerScript::Step::SendBytes:
        sendAll(step.Bytes);
        break;
      case ServerScript::Step::PauseMs:
        Sleep(static_cast<DWORD>(step.Milliseconds));
        break;
      case ServerScript::Step::ReceiveLine:
        readLine(line);
        break;
      case ServerScript::Step::CloseSend:
        shutdown(socket, SD_SEND);
        finished = true;
        break;
      case ServerScript::Step::RespondLines:
        while (readLine(line)) {
          const std::optional<std::string> answer = step.Responder(line);
          if (!answer) {
            shutdown(socket, SD_SEND);
            finished = true;
            break;
          }
          sendAll(*answer);
        }
        break;
      case ServerScript::Step::RepeatBytes: {
        std::string chunk;
        while (chunk.size() < 65536) chunk += step.Bytes;
        while (!stopping() && sendAll(chunk)) {
        }
        break;
      }
    }
  }
  // Whatever the client still sends is recorded until it closes.
  while (receiveMore()) {
  }
  closesocket(socket);
  std::lock_guard<std::mutex> guard(Lock);
  session.Ended = true;
  Changed.notify_all();
}
