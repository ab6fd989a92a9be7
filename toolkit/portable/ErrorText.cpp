#include "toolkit/portable/ErrorText.h"

#include <exception>
#include <new>

#include "toolkit/portable/Exception.h"

std::string ErrorDialogText(const std::string& message) {
  if (message.empty() || static_cast<unsigned char>(message.back()) <= static_cast<unsigned char>('.')) return message;
  return message + ".";
}

std::string CurrentExceptionMessage() noexcept {
  try {
    throw;
  } catch (const Exception& e) {
    return e.message();
  } catch (const std::bad_alloc&) {
    return "メモリが不足しています";
  } catch (const std::exception& e) {
    return std::string("内部エラーが発生しました: ") + e.what();
  } catch (...) {
    return "内部エラーが発生しました";
  }
}
