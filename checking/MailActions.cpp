#include "checking/MailActions.h"

#include <windows.h>

#include "checking/CheckRules.h"
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

void OpenCdTray(const std::function<void(const std::wstring& command)>& sendMciString) {
  sendMciString(L"open cdaudio");
  sendMciString(L"set cdaudio door open");
}

}  // namespace checking
