#pragma once
// The message of the toolkit exception an action raises, for comparing texts in tests. No Windows API.
#include <functional>
#include <string>

#include "toolkit/portable/Exception.h"

inline std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.message();
  }
  return "(no exception)";
}
