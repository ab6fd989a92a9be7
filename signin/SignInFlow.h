#pragma once
// One sign-in of an account in the system browser (RFC 8252): PKCE and a random state, the loopback
// listener for the redirect, the browser opened on the provider's authorization URL, the code
// exchanged for tokens, and the tokens handed to the sign-ins that keep them. Nothing here waits:
// the listener's notices and a short timer move it on, so the dialog that shows it stays responsive.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "signin/portable/Providers.h"
#include "toolkit/Timer.h"
#include "toolkit/portable/Event.h"
#include "transport/portable/TlsRules.h"

class TRedirectListener;
class TShell;
class TSignIns;
class TTokenRequest;

class TSignInFlow {
public:
  enum class TStage {
    Idle,       // nothing started, or cancelled
    Browser,    // the browser is open; the redirect is awaited
    Exchange,   // the code is being exchanged for tokens
    SignedIn,
    Failed,
  };

  // The token endpoint's answer to the code is awaited this long.
  static constexpr uint32_t kExchangeTimeOutMs = 30000;

  // The browser is opened through `shell`; the tokens go to `signIns`; both outlive the flow.
  TSignInFlow(TSignIns& signIns, TShell& shell, uint32_t deadlineMs = kDefaultDeadlineMs);
  ~TSignInFlow();
  TSignInFlow(const TSignInFlow&) = delete;
  TSignInFlow& operator=(const TSignInFlow&) = delete;

  // After every change of Stage() and Text().
  Event<TSignInFlow*> OnChange;

  // Starts a sign-in of `user` at the provider of that name, ending one under way. Raises Exception
  // when it cannot start (no such provider, no client id, no user name, no socket).
  void Start(HWND owner, const std::string& provider, TProtocol protocol, const std::string& user);
  // Ends a sign-in under way; nothing is kept.
  void Cancel();

  TStage Stage() const { return Current; }
  bool Waiting() const { return Current == TStage::Browser || Current == TStage::Exchange; }
  // What the user is told of the stage: one text, never a code or token.
  const std::string& Text() const { return Shown; }

private:
  static constexpr uint32_t kDefaultDeadlineMs = 5 * 60 * 1000;

  bool Redirected(std::string_view head, std::string& reply);
  void ListenerDone(TRedirectListener* sender);
  void ListenerTimeOut(TRedirectListener* sender);
  void PollTimer(TObject* sender);
  void Exchanged();
  void Finish(TStage stage, std::string text);

  TSignIns& SignIns;
  TShell& Shell;
  uint32_t DeadlineMs;
  TProvider Provider;
  std::string User;
  std::string RedirectUri;
  std::string State;
  std::string Verifier;
  std::string Code;
  // Why a redirect was refused; the sign-in ends at the next tick, once the browser has its page.
  std::string Refusal;
  TStage Current = TStage::Idle;
  std::string Shown;
  // A finished listener is kept until the next sign-in: it may not be destroyed inside its events.
  std::unique_ptr<TRedirectListener> Listener;
  std::unique_ptr<TTokenRequest> Request;
  // The token request's completion only wakes the message loop, and a refusal may not end the
  // listener inside its handler: this timer looks at both while a sign-in waits.
  TTimer Poll;
};
