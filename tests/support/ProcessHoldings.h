#pragma once
// What this process holds, counted directly: Wine answers GetProcessHandleCount and GetGuiResources
// with 0.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>

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

// Windows (the USER objects a cycle makes) are counted through the thread's window lists, private
// memory through the address space.
inline BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<unsigned long*>(count);
  return TRUE;
}

inline BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
  ++*reinterpret_cast<unsigned long*>(count);
  EnumChildWindows(window, CountChild, count);
  return TRUE;
}

inline unsigned long ThreadWindows() {
  unsigned long count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}

inline unsigned long long PrivateKib() {
  unsigned long long bytes = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
  }
  return bytes / 1024;
}

// What the process holds, as "PREFIX_WHEN_WHAT value" lines.
inline void PrintHoldings(const char* prefix, const char* when) {
  const HANDLE self = GetCurrentProcess();
  DWORD handles = 0;
  GetProcessHandleCount(self, &handles);
  std::printf("%s_%s_handles %lu\n%s_%s_probed_handles %lu\n%s_%s_gdi %lu\n%s_%s_user %lu\n"
              "%s_%s_windows %lu\n%s_%s_private_kib %lu\n",
              prefix, when, static_cast<unsigned long>(handles), prefix, when, KernelHandles(), prefix, when,
              static_cast<unsigned long>(GetGuiResources(self, GR_GDIOBJECTS)), prefix, when,
              static_cast<unsigned long>(GetGuiResources(self, GR_USEROBJECTS)), prefix, when, ThreadWindows(), prefix,
              when, static_cast<unsigned long>(PrivateKib()));
}
