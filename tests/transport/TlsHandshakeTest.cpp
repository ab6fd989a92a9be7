#include "transport/portable/TlsHandshake.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A session that takes one ';'-terminated message a call, as Schannel may: the server's "A" and "B"
// earn the client's "finished", and the server's "C" completes the handshake.
class OneMessageSession {
public:
  std::string Start() { return "hello"; }
  std::string Continue(std::string& input) {
    const auto end = input.find(';');
    Incomplete = end == std::string::npos;
    if (Incomplete) return {};
    const std::string message = input.substr(0, end);
    input.erase(0, end + 1);
    if (message == "C") Done = true;
    return message == "B" ? "finished" : "";
  }
  bool Established() const { return Done; }
  bool NeedsMoreInput() const { return Incomplete; }

private:
  bool Incomplete = false;
  bool Done = false;
};

// A server that sends its whole first flight in one read, then says nothing until it has the
// client's "finished"; its last read also brings application data.
class FlightServer {
public:
  void Send(const std::string& bytes) { Sent.push_back(bytes); }
  void Receive(std::string& input) {
    ++Reads;
    if (Reads == 1) {
      input += "A;B;";
    } else if (Reads == 2 && !Sent.empty() && Sent.back() == "finished") {
      input += "C;+OK ready";
    } else {
      throw std::runtime_error("the client waits for a server that waits for the client");
    }
  }
  std::vector<std::string> Sent;
  int Reads = 0;
};

std::string Record(int type, int version, const std::string& body) {
  return std::string{static_cast<char>(type), static_cast<char>(version >> 8), static_cast<char>(version & 0xFF),
                     static_cast<char>(body.size() >> 8), static_cast<char>(body.size() & 0xFF)} +
         body;
}

std::string Message(int type, const std::string& body) {
  return std::string{static_cast<char>(type), 0, static_cast<char>(body.size() >> 8),
                     static_cast<char>(body.size() & 0xFF)} +
         body;
}

std::string ServerHello(int version) {
  return Message(2, std::string{static_cast<char>(version >> 8), static_cast<char>(version & 0xFF)} +
                        std::string(32, 'r') + std::string("\0\x00\x2f\0", 4));
}

}  // namespace

TEST(RunHandshake, HandsEveryHeldMessageToTheSessionBeforeReadingMore) {
  OneMessageSession session;
  FlightServer server;
  std::string input;
  RunHandshake(session, server, input);
  EXPECT_EQ(server.Sent, (std::vector<std::string>{"hello", "", "finished", ""}));
  EXPECT_EQ(server.Reads, 2);
  EXPECT_EQ(input, "+OK ready");
}

TEST(TlsHandshakeObserver, NamesTheReasonFromWhatTheServerSaidInClear) {
  struct Case {
    const char* what;
    std::vector<std::string> arrivals;
    TTlsFailure failure;
  };
  const std::string certificate = Message(11, std::string(600, 'c'));
  const std::string request = Message(13, std::string("\x01\x01\x00\x00\x00", 5));
  const std::string tls12Flight = Record(22, 0x0303, ServerHello(0x0303) + certificate + request + Message(14, ""));
  const Case cases[] = {
      {"a TLS 1.1 server's hello", {Record(22, 0x0302, ServerHello(0x0302))}, TTlsFailure::OldProtocol},
      {"a protocol_version alert", {Record(21, 0x0301, std::string("\x02\x46", 2))}, TTlsFailure::OldProtocol},
      {"a certificate request, split across reads",
       {tls12Flight.substr(0, 3), tls12Flight.substr(3, 400), tls12Flight.substr(403)},
       TTlsFailure::ClientCertificate},
      {"a request across two records",
       {Record(22, 0x0303, ServerHello(0x0303) + request.substr(0, 2)), Record(22, 0x0303, request.substr(2))},
       TTlsFailure::ClientCertificate},
      {"a handshake_failure alert alone", {Record(21, 0x0303, std::string("\x02\x28", 2))}, TTlsFailure::Handshake},
      {"look-alikes behind the change of cipher",
       {Record(22, 0x0303, ServerHello(0x0303)), Record(20, 0x0303, "\x01"), Record(22, 0x0303, request),
        Record(21, 0x0303, std::string("\x02\x46", 2))},
       TTlsFailure::Handshake},
      {"a TLS 1.3 hello, the rest encrypted",
       {Record(22, 0x0303, ServerHello(0x0303)) + Record(23, 0x0303, request)},
       TTlsFailure::Handshake},
      {"no TLS at all", {"+OK Dovecot ready.\r\n"}, TTlsFailure::NotTls},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TTlsHandshakeObserver observer;
    for (const std::string& bytes : c.arrivals) observer.Received(bytes);
    EXPECT_EQ(observer.Failure(), c.failure);
  }
}

// SSL/TLS chosen with the port of plain POP3 or IMAP: the greeting, or a plain server's answer to the
// ClientHello, shows on its first byte (or its second) and never reads as a record to wait for.
TEST(TlsHandshakeObserver, TellsAPlainServerFromItsFirstBytes) {
  const std::vector<std::string> plainStarts{"+", "-ERR Unknown command\r\n", "* OK [CAPABILITY IMAP4rev1] ready\r\n",
                                             std::string("\x16\x00", 2), std::string("\x00", 1), "HTTP/1.1 400"};
  for (const std::string& plain : plainStarts) {
    SCOPED_TRACE(plain);
    TTlsHandshakeObserver observer;
    observer.Received(plain);
    EXPECT_TRUE(observer.NotTls());
    EXPECT_EQ(observer.Failure(), TTlsFailure::NotTls);
  }
  const std::string hello = Record(22, 0x0303, ServerHello(0x0303));
  TTlsHandshakeObserver split;
  split.Received(hello.substr(0, 1));
  split.Received(hello.substr(1, 1));
  EXPECT_FALSE(split.NotTls()) << "a record's start, one byte at a time";
  split.Received(hello.substr(2) + "+OK\r\n");
  EXPECT_FALSE(split.NotTls()) << "bytes after a record are not the server's first";
  EXPECT_EQ(split.Failure(), TTlsFailure::Handshake);
}
