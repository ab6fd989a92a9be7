#pragma once
// Host name lookups through the asynchronous lookup of Windows Sockets 1.1: a completion arrives as
// a message to a window of the lookup's own. The system writes a lookup's host entry into its buffer
// at any time until it posts the completion, so each buffer lives until then, even past the wait or
// the THostLookup that started it.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class THostLookup {
public:
  static constexpr UINT LookupMessage = WM_USER + 102;  // wParam the lookup's task, lParam the error

  THostLookup();
  // A window whose lookups still run lives on until the last of them has reported.
  ~THostLookup();
  THostLookup(const THostLookup&) = delete;
  THostLookup& operator=(const THostLookup&) = delete;

  // Starts looking up `name`; a lookup still running is abandoned (its result is ignored). False
  // when the system would not start it.
  bool Start(const std::string& name);
  // The lookup last started has reported; Address() is what it found (network order), 0 when the
  // lookup failed or nothing was started.
  bool Done() const { return IsDone; }
  std::uint32_t Address() const { return Found; }
  // The result of the running lookup no longer matters.
  void Abandon();

  HWND Window() const;

private:
  class TLookupWindow;
  void Completed(HANDLE task, bool succeeded, const char* hostEntry);

  std::unique_ptr<TLookupWindow> Receiver;
  HANDLE Current = nullptr;
  bool IsDone = false;
  std::uint32_t Found = 0;
};
