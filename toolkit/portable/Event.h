#pragma once
// Events are optional callbacks with the sender first; an unassigned event does nothing.
#include <functional>
#include <utility>

template <typename... Args>
class Event {
public:
  Event() = default;
  template <typename F>
  Event& operator=(F&& handler) {
    Handler = std::forward<F>(handler);
    return *this;
  }
  explicit operator bool() const { return static_cast<bool>(Handler); }
  void operator()(Args... args) const {
    if (Handler) Handler(std::forward<Args>(args)...);
  }
  void Clear() { Handler = nullptr; }

private:
  std::function<void(Args...)> Handler;
};
