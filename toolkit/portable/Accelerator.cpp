#include "toolkit/portable/Accelerator.h"

#include "toolkit/portable/Cp932.h"

char AcceleratorKey(std::string_view caption) {
  for (std::size_t i = 0; i < caption.size(); i = cp932::NextChar(caption, i)) {
    if (caption[i] != '&' || i + 1 >= caption.size()) continue;
    const unsigned char key = static_cast<unsigned char>(caption[i + 1]);
    if (key == '&') {
      ++i;  // "&&" is a literal "&"
      continue;
    }
    if (cp932::IsLeadByte(key)) return 0;
    return (key >= 'a' && key <= 'z') ? static_cast<char>(key - 'a' + 'A') : static_cast<char>(key);
  }
  return 0;
}
