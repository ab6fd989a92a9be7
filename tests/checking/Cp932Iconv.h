#pragma once
// glibc's CP932 table in the place of MultiByteToWideChar(932): a character it lacks becomes U+FFFD.
#include <iconv.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/portable/Cp932.h"

inline std::u16string Cp932ToUtf16(std::string_view bytes) {
  const std::unique_ptr<void, int (*)(iconv_t)> cd(iconv_open("UTF-16LE", "CP932"), iconv_close);
  std::u16string text;
  for (std::size_t i = 0, next = 0; i < bytes.size(); i = next) {
    next = cp932::NextChar(bytes, i);
    std::string in(bytes.substr(i, next - i));
    char16_t out[2] = {};
    char* inp = in.data();
    auto* outp = reinterpret_cast<char*>(out);
    std::size_t inLeft = in.size(), outLeft = sizeof out;
    if (iconv(cd.get(), &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1)) text += u'\uFFFD';
    else text.append(out, (sizeof out - outLeft) / 2);
  }
  return text;
}
