#include "checking/MailActions.h"

#include <windows.h>

#include "checking/portable/CheckRules.h"
#include "desktop/MediaPlayer.h"
#include "toolkit/Dialogs.h"

namespace checking {

void Announce(const std::string& text) {
  MessageBeep(0);
  ShowMessage(text);
}

void PlaySoundFile(TMediaPlayer& player, const std::string& file) {
  try {
    player.FileName = file;
    player.Open();
    player.Play();
  } catch (...) {
    // Whatever the cause, the account's session goes on: this is not a failed check.
    Announce(kSoundFailureText);
  }
}

void OpenCdTray(TMci& mci) {
  mci.SendString(L"open cdaudio");
  mci.SendString(L"set cdaudio door open");
}

}  // namespace checking
