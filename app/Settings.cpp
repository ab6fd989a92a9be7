#include "app/Settings.h"

#include "toolkit/IniFile.h"

namespace {
const std::string kSection = "SET";
const std::string kStart = "START";
const std::string kTime = "TIME";
const std::string kMinute = "MINUTE";
const std::string kNewMail = "NEWMAIL";
const std::string kBalloon = "BALLOON";
const std::string kIdle = "IDLE";
const std::string kEncrypt = "ENCRYPT";
const std::string kLog = "LOG";
const std::string kQuietFrom = "QUIETFROM";
const std::string kQuietTo = "QUIETTO";

// A setting that is off is no line of the file at all.
void WriteOptional(TIniFile& file, const std::string& key, bool on) {
  if (on)
    file.WriteBool(kSection, key, true);
  else
    file.DeleteKey(kSection, key);
}
std::optional<checking::QuietHours> ReadQuietHours(const TIniFile& file) {
  const std::optional<std::int32_t> from = checking::ParseClockTime(file.ReadString(kSection, kQuietFrom, ""));
  const std::optional<std::int32_t> to = checking::ParseClockTime(file.ReadString(kSection, kQuietTo, ""));
  if (!from || !to) return std::nullopt;
  return checking::QuietHours{*from, *to};
}

void WriteQuietHours(TIniFile& file, const std::optional<checking::QuietHours>& hours) {
  if (!hours) {
    file.DeleteKey(kSection, kQuietFrom);
    file.DeleteKey(kSection, kQuietTo);
    return;
  }
  file.WriteString(kSection, kQuietFrom, checking::ClockTimeText(hours->From));
  file.WriteString(kSection, kQuietTo, checking::ClockTimeText(hours->To));
}
}  // namespace

TSettings ReadSettings(const std::string& path, const TSettings& defaults) {
  TIniFile file(path);
  TSettings settings;
  settings.Start = file.ReadBool(kSection, kStart, defaults.Start);
  settings.Time = file.ReadBool(kSection, kTime, defaults.Time);
  settings.Minute = file.ReadInteger(kSection, kMinute, defaults.Minute);
  settings.NewMailByIdentity = file.ReadBool(kSection, kNewMail, defaults.NewMailByIdentity);
  settings.NoticesInBalloon = file.ReadBool(kSection, kBalloon, defaults.NoticesInBalloon);
  settings.ImapIdle = file.ReadBool(kSection, kIdle, defaults.ImapIdle);
  settings.EncryptPasswords = file.ReadBool(kSection, kEncrypt, defaults.EncryptPasswords);
  settings.CheckLog = file.ReadBool(kSection, kLog, defaults.CheckLog);
  settings.QuietHours = ReadQuietHours(file);
  return settings;
}

void WriteSettings(const std::string& path, const TSettings& settings) {
  TIniFile file(path);
  file.WriteBool(kSection, kStart, settings.Start);
  file.WriteBool(kSection, kTime, settings.Time);
  file.WriteInteger(kSection, kMinute, settings.Minute);
  WriteOptional(file, kNewMail, settings.NewMailByIdentity);
  WriteOptional(file, kBalloon, settings.NoticesInBalloon);
  WriteOptional(file, kIdle, settings.ImapIdle);
  WriteOptional(file, kEncrypt, settings.EncryptPasswords);
  WriteOptional(file, kLog, settings.CheckLog);
  WriteQuietHours(file, settings.QuietHours);
}

void WriteEncryptPasswords(const std::string& path, bool on) {
  TIniFile file(path);
  WriteOptional(file, kEncrypt, on);
}
