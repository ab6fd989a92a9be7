#pragma once
// The text of tokens.dat: secrets the Windows side has encrypted for the user (refresh tokens per
// provider and user, and account passwords under the provider "password"), each an opaque blob.
// The first line names the format; then one line per record:
//   provider TAB user TAB base64(blob) CR LF
// with "%", TAB, CR, LF and the other control bytes of provider and user written as %XX. No Windows
// API.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kTokenFileFirstLine = "PELMORA-SECRETS 1";
inline constexpr std::size_t kMaxTokenRecords = 1024;
inline constexpr std::size_t kMaxTokenKeyBytes = 1024;   // provider or user, as stored
inline constexpr std::size_t kMaxTokenBlobBytes = 32 * 1024;

struct TTokenRecord {
  std::string Provider;
  std::string User;
  std::string Blob;

  friend bool operator==(const TTokenRecord&, const TTokenRecord&) = default;
};

// A record's fields past their bounds throw Exception: what the file cannot hold is never dropped
// silently.
std::string FormatTokenFile(const std::vector<TTokenRecord>& records);

// The records of the file's first kMaxTokenRecords lines after the first. A malformed line is skipped; a later
// record for the same provider and user replaces an earlier one. Empty bytes are no records; a
// first line of another format throws Exception, so that the file is not overwritten unread.
std::vector<TTokenRecord> ParseTokenFile(std::string_view bytes);

// The record of that provider and user, or nullptr.
const TTokenRecord* FindTokenRecord(const std::vector<TTokenRecord>& records, std::string_view provider,
                                    std::string_view user);
// Adds the record, or replaces the one with its provider and user.
void PutTokenRecord(std::vector<TTokenRecord>& records, TTokenRecord record);
// Removes the record of that provider and user, if there is one.
void RemoveTokenRecord(std::vector<TTokenRecord>& records, std::string_view provider, std::string_view user);
