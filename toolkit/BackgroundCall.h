#pragma once
// A call that may block (on the network, on crypt32) run on a thread of its own, so that the calling
// thread can go on dispatching messages; a WM_NULL posted to the calling thread wakes its wait when
// the call is done. A call given up on runs to its end alone and frees what it uses.
#include <windows.h>

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

#include "toolkit/portable/Exception.h"

template <typename T>
class TBackgroundCall {
public:
  // `work` is moved to the thread and destroyed there.
  template <typename Work>
  explicit TBackgroundCall(Work work) : Shared(std::make_shared<TState>()) {
    Shared->Waiter = GetCurrentThreadId();
    auto job = std::make_unique<TJob<Work>>(Shared, std::move(work));
    const HANDLE thread = CreateThread(nullptr, 0, TJob<Work>::Run, job.get(), 0, nullptr);
    if (!thread) throw Exception("Cannot start a background task");
    job.release();
    // Nobody waits on the thread itself: it reports through the shared state.
    CloseHandle(thread);
  }

  bool Done() const { return Shared->Finished.load(std::memory_order_acquire); }
  // Once Done(): what the call returned, or the error it met raised again.
  const T& Result() const {
    if (Shared->Error) std::rethrow_exception(Shared->Error);
    return *Shared->Value;
  }

private:
  // Shared by the owner and the thread, so whichever lets go last frees it.
  struct TState {
    DWORD Waiter = 0;
    std::optional<T> Value;
    std::exception_ptr Error;
    std::atomic<bool> Finished{false};
  };

  template <typename Work>
  struct TJob {
    TJob(std::shared_ptr<TState> state, Work work) : State(std::move(state)), Call(std::move(work)) {}
    std::shared_ptr<TState> State;
    Work Call;

    static DWORD WINAPI Run(void* parameter) {
      const std::unique_ptr<TJob> job(static_cast<TJob*>(parameter));
      TState& state = *job->State;
      try {
        state.Value.emplace(job->Call());
      } catch (...) {
        // An exception cannot leave a thread: the waiting thread raises it.
        state.Error = std::current_exception();
      }
      state.Finished.store(true, std::memory_order_release);
      PostThreadMessageW(state.Waiter, WM_NULL, 0, 0);
      return 0;
    }
  };

  std::shared_ptr<TState> Shared;
};
