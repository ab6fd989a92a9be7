#pragma once
// What the check cycle shows, plays or opens for one account.
#include <string>
#include <string_view>

class TMci;
class TMediaPlayer;

namespace checking {

// A beep (type 0), then the modal message.
void Announce(const std::string& text);
void Announce(const std::u16string& text);
// Code page 932 bytes as UTF-16, for texts that mix the program's own with a mail's.
std::u16string Cp932ToUtf16(std::string_view cp932);
// Plays the file; false when it could not be played, whatever the cause (the caller tells the user).
bool PlaySoundFile(TMediaPlayer& player, const std::string& file);
void OpenCdTray(TMci& mci);

}  // namespace checking
