#pragma once
// What the check cycle shows, plays or opens for one account.
#include <string>

class TMci;
class TMediaPlayer;

namespace checking {

// A beep (type 0), then the modal message.
void Announce(const std::string& text);
// Plays the file; any failure to do so is announced with its own text and goes no further.
void PlaySoundFile(TMediaPlayer& player, const std::string& file);
void OpenCdTray(TMci& mci);

}  // namespace checking
