#include "transport/HostLookup.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "toolkit/Window.h"

namespace {
constexpr const wchar_t* kLookupClass = L"LookupWindowClass";
}  // namespace

// The window the system reports completions to, with the buffers of the lookups it still runs.
class THostLookup::TLookupWindow : public TWindow {
public:
  explicit TLookupWindow(THostLookup* owner) : Owner(owner) {
    RegisterOwnClass(kLookupClass);
    CreateOwn(kLookupClass, WS_EX_TOOLWINDOW, WS_POPUP, {}, RECT{}, nullptr, 0);
  }

  HANDLE Start(const std::string& name) {
    auto lookup = std::make_unique<Pending>();
    lookup->Name = name;
    lookup->Task =
        WSAAsyncGetHostByName(Handle(), LookupMessage, lookup->Name.c_str(), lookup->Buffer, sizeof lookup->Buffer);
    const HANDLE task = lookup->Task;
    if (task) Lookups.push_back(std::move(lookup));
    return task;
  }

  bool Running() const { return !Lookups.empty(); }

  // The owner is gone: the window keeps itself among the orphans until its last lookup reports.
  static void Orphan(std::unique_ptr<TLookupWindow> window) {
    window->Owner = nullptr;
    Orphans().push_back(std::move(window));
  }

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg != LookupMessage) return TWindow::WndProc(msg, wParam, lParam);
    const auto task = reinterpret_cast<HANDLE>(wParam);
    const auto lookup = std::find_if(Lookups.begin(), Lookups.end(), [task](const auto& p) { return p->Task == task; });
    if (lookup == Lookups.end()) return 0;
    const std::unique_ptr<Pending> done = std::move(*lookup);
    Lookups.erase(lookup);
    if (Owner) Owner->Completed(task, HIWORD(lParam) == 0, done->Buffer);
    if (!Owner && Lookups.empty()) ReleaseOrphan(this);
    return 0;
  }

private:
  struct Pending {
    HANDLE Task = nullptr;
    std::string Name;
    alignas(8) char Buffer[MAXGETHOSTSTRUCT];
  };

  static std::vector<std::unique_ptr<TLookupWindow>>& Orphans() {
    static std::vector<std::unique_ptr<TLookupWindow>> orphans;
    return orphans;
  }

  // Destroys the orphan from inside its own message: nothing of the window is used after its procedure.
  static void ReleaseOrphan(TLookupWindow* window) {
    std::erase_if(Orphans(), [window](const auto& orphan) { return orphan.get() == window; });
  }

  THostLookup* Owner;
  std::vector<std::unique_ptr<Pending>> Lookups;
};

THostLookup::THostLookup() : Receiver(std::make_unique<TLookupWindow>(this)) {}

THostLookup::~THostLookup() {
  if (Receiver && Receiver->Running()) TLookupWindow::Orphan(std::move(Receiver));
}

HWND THostLookup::Window() const { return Receiver ? Receiver->Handle() : nullptr; }

bool THostLookup::Start(const std::string& name) {
  Found = 0;
  IsDone = false;
  Current = Receiver->Start(name);
  return Current != nullptr;
}

void THostLookup::Abandon() { Current = nullptr; }

void THostLookup::Completed(HANDLE task, bool succeeded, const char* hostEntry) {
  // Only the lookup last started may end the wait; an abandoned one just gives back its buffer.
  if (task != Current) return;
  Current = nullptr;
  const auto* entry = reinterpret_cast<const hostent*>(hostEntry);
  if (succeeded && entry->h_length == 4 && entry->h_addr_list && entry->h_addr_list[0])
    std::memcpy(&Found, entry->h_addr_list[0], 4);
  IsDone = true;
}
