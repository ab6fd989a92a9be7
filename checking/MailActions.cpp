#include "checking/MailActions.h"

#include <windows.h>

#include "desktop/MediaPlayer.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Text.h"

namespace checking {

void Announce(const std::string& text) {
  MessageBeep(0);
  ShowMessage(text);
}

void Announce(const std::u16string& text) {
  MessageBeep(0);
  ShowMessage(text);
}

std::u16string Cp932ToUtf16(std::string_view cp932) {
  const std::wstring wide = Widen(cp932);
  return std::u16string(wide.begin(), wide.end());
}

bool PlaySoundFile(TMediaPlayer& player, const std::string& file) {
  try {
    player.FileName = file;
    player.Open();
    player.Play();
    return true;
  } catch (...) {
    // Whatever the cause, the account's session goes on: this is not a failed check.
    return false;
  }
}

void OpenCdTray(TMci& mci) {
  mci.SendString(L"open cdaudio");
  mci.SendString(L"set cdaudio door open");
}

}  // namespace checking
