#pragma once
// The settings of the check schedule as the settings file keeps them: section "SET", keys "START",
// "TIME" and "MINUTE"; and "NEWMAIL" (new mail told by message identity), "BALLOON" (notices in a
// balloon), "IDLE" (IMAP mail told as it arrives), "ENCRYPT" (passwords kept by Windows) and "LOG"
// (the check log kept), each written only while it is on, so that the file of a user who never turned
// them on stays as it was; so too "QUIETFROM" and "QUIETTO" ("22:00"), the quiet hours, only while
// they are set.
#include <cstdint>
#include <optional>
#include <string>

#include "checking/portable/QuietRules.h"

struct TSettings {
  bool Start = false;
  bool Time = true;
  std::int32_t Minute = 30;
  bool NewMailByIdentity = false;
  bool NoticesInBalloon = false;
  bool ImapIdle = false;
  bool EncryptPasswords = false;
  bool CheckLog = false;
  std::optional<checking::QuietHours> QuietHours;
};

// A value that is missing or not an integer is taken from `defaults`; a boolean is on for any
// non-zero integer. Quiet hours are set only where both ends read as times.
TSettings ReadSettings(const std::string& path, const TSettings& defaults);
// START, TIME and MINUTE every time, in this order; then NEWMAIL, BALLOON, IDLE, ENCRYPT, LOG and the
// quiet hours, or their removal.
void WriteSettings(const std::string& path, const TSettings& settings);
// ENCRYPT alone, at the moment the passwords move: a start after a close that never came must not
// look for them where they no longer are.
void WriteEncryptPasswords(const std::string& path, bool on);
