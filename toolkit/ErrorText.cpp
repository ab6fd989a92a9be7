#include "toolkit/ErrorText.h"

std::string ErrorDialogText(const std::string& message) {
  if (message.empty() || static_cast<unsigned char>(message.back()) <= static_cast<unsigned char>('.')) return message;
  return message + ".";
}
