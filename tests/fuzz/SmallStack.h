#pragma once
// Runs a piece of a fuzz target on a thread with a small stack, so that a recursion without bound
// overflows at a depth that short inputs reach, instead of only at the megabytes of nesting the
// program's own stack (2 MiB, mingw's default) needs; a parser that bounds its depth uses a sliver.
// One thread serves every input: starting a thread per input would cost most of the fuzzer's speed.
#include <pthread.h>

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

#include "tests/fuzz/FuzzProperty.h"

namespace fuzz {

class SmallStack {
public:
  static constexpr std::size_t kBytes = 128 * 1024;

  static void Run(const std::function<void()>& work) {
    // Never destroyed: the thread waits on it until the process ends.
    static SmallStack* const stack = new SmallStack;
    stack->Hand(work);
  }

private:
  SmallStack() {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    Require(pthread_attr_setstacksize(&attributes, kBytes) == 0, "the stack size is accepted");
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    Require(pthread_create(&thread, &attributes, Serve, this) == 0, "the thread starts");
    pthread_attr_destroy(&attributes);
  }

  void Hand(const std::function<void()>& work) {
    std::unique_lock lock(Mutex);
    Work = &work;
    Changed.notify_all();
    Changed.wait(lock, [this] { return Work == nullptr; });
  }

  static void* Serve(void* self) {
    auto& stack = *static_cast<SmallStack*>(self);
    std::unique_lock lock(stack.Mutex);
    for (;;) {
      stack.Changed.wait(lock, [&stack] { return stack.Work != nullptr; });
      (*stack.Work)();
      stack.Work = nullptr;
      stack.Changed.notify_all();
    }
  }

  std::mutex Mutex;
  std::condition_variable Changed;
  const std::function<void()>* Work = nullptr;
};

}  // namespace fuzz
