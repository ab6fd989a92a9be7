#pragma once
// What this process holds, counted directly: Wine answers GetProcessHandleCount and GetGuiResources
// with 0.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>

// Kernel handles, by probing every handle value.
inline unsigned long KernelHandles() {
  unsigned long count = 0;
  for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Threads of this process, the system's thread pool included.
inline unsigned long ProcessThreads() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  unsigned long count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}
