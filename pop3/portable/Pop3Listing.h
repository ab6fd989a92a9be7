#pragma once
// The multi-line replies of POP3 (RFC 1939): the lines after a "+OK" up to the terminating ".",
// dot-unstuffed, with bounds so that a server that never ends its reply fails instead of filling
// memory; and the grammar of a UIDL listing. No socket, no Windows API.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The most messages whose UIDL listing is read, so that no STAT count makes its memory unbounded
// (a record of about 6 MB at this count); the caller tells a larger mailbox's news by the count.
inline constexpr int32_t kMaxListedMessages = 100000;

// Collects the lines of one multi-line reply as the transport reads them (each with its LF).
class TMultiLineReply {
public:
  // More than maxLines lines, or more than maxBytes bytes of them, fail the reply.
  TMultiLineReply(std::size_t maxLines, std::size_t maxBytes);
  // The bounds of a UIDL listing after STAT gave messageCount (at most kMaxListedMessages): one line
  // per message, each at most a number, a blank and 70 characters. POP3 locks the mailbox, so the
  // count cannot grow meanwhile.
  static TMultiLineReply Uidl(int32_t messageCount);
  // The bounds of a TOP n 0 reply: a header block far larger than real mail carries.
  static TMultiLineReply Top();
  // The bounds of a CAPA reply (RFC 2449): a few dozen short lines in practice.
  static TMultiLineReply Capa();

  // Takes the next line; true when it was the terminating ".". Throws Exception when a bound is
  // passed or the line has no LF (the server closed the connection inside the reply).
  bool Add(std::string_view line);
  // The lines without their line breaks and with a leading "." of dot-stuffing removed.
  const std::vector<std::string>& Lines() const { return Body; }
  // The lines joined with CR LF after each: what TOP n 0 returns, the message's header block.
  std::string Text() const;

private:
  std::size_t MaxLines;
  std::size_t MaxBytes;
  std::size_t Bytes = 0;
  std::vector<std::string> Body;
};

struct TUidlEntry {
  int32_t Number = 0;  // the message number, 1 and up
  std::string Id;      // the server's unique id for the message
};

// Whether a CAPA reply's lines name the capability (its first word, case-insensitive).
bool ListsCapability(const std::vector<std::string>& lines, std::string_view name);
// The words after the capability on its line, upper case ("SASL XOAUTH2 PLAIN": XOAUTH2, PLAIN).
std::vector<std::string> CapabilityArguments(const std::vector<std::string>& lines, std::string_view name);

// RFC 1939: a unique id is 1 to 70 characters in the range 0x21 to 0x7E.
bool IsUniqueId(std::string_view id);

// The entries of a UIDL listing's lines ("n id" each): an id that breaks the RFC's rule, a number
// that is not a positive decimal, is beyond messageCount (STAT's) or comes twice, or a line of any
// other shape throws Exception. Blanks after the id are tolerated; the id is never cut.
std::vector<TUidlEntry> ParseUidlListing(const std::vector<std::string>& lines, int32_t messageCount = INT32_MAX);
