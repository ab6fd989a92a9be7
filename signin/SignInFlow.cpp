#include "signin/SignInFlow.h"

#include <bcrypt.h>

#include <utility>

#include "desktop/Shell.h"
#include "signin/RedirectListener.h"
#include "signin/SignIns.h"
#include "signin/TokenRequest.h"
#include "signin/portable/AuthorizeUrl.h"
#include "signin/portable/Pkce.h"
#include "signin/portable/Redirect.h"
#include "signin/portable/TokenResponse.h"
#include "toolkit/Text.h"
#include "toolkit/portable/Exception.h"

namespace {

constexpr uint32_t kPollMs = 100;

// From the system's generator; the algorithm handle (not the preferred-generator flag) keeps Vista.
std::string RandomBytes(size_t count) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_RNG_ALGORITHM, nullptr, 0) != 0)
    throw Exception("乱数を作れないため、サインインできません。");
  std::string bytes(count, '\0');
  const NTSTATUS status =
      BCryptGenRandom(algorithm, reinterpret_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(bytes.size()), 0);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  if (status != 0) throw Exception("乱数を作れないため、サインインできません。");
  return bytes;
}

}  // namespace

TSignInFlow::TSignInFlow(TSignIns& signIns, TShell& shell, uint32_t deadlineMs)
    : SignIns(signIns), Shell(shell), DeadlineMs(deadlineMs), Poll(kPollMs, false) {
  Poll.OnTimer = [this](TObject* sender) { PollTimer(sender); };
}

TSignInFlow::~TSignInFlow() = default;

void TSignInFlow::Start(HWND owner, const std::string& provider, TProtocol protocol, const std::string& user) {
  if (Waiting()) Cancel();
  const TProvider* found = FindProvider(SignIns.Providers(), provider);
  if (!found) throw Exception("サインイン先 " + provider + " が見つかりません。");
  if (user.empty()) throw Exception("ユーザー名 (メールアドレス) を入力してからサインインしてください。");
  Provider = *found;
  User = user;
  const TPkce pkce = MakePkce(RandomBytes(32));
  State = MakeState(RandomBytes(16));
  Verifier = pkce.Verifier;
  Code.clear();
  Refusal.clear();
  Listener = std::make_unique<TRedirectListener>(
      [this](std::string_view head, std::string& reply) { return Redirected(head, reply); }, DeadlineMs);
  Listener->OnDone = [this](TRedirectListener* sender) { ListenerDone(sender); };
  Listener->OnTimeOut = [this](TRedirectListener* sender) { ListenerTimeOut(sender); };
  RedirectUri = "http://127.0.0.1:" + std::to_string(Listener->Port()) + "/";
  std::string url;
  try {
    url = AuthorizeUrl(Provider, protocol, RedirectUri, State, pkce.Challenge, User);
  } catch (const Exception&) {
    Listener->Cancel();
    throw;
  }
  Current = TStage::Browser;
  Shown = "ブラウザーでサインインしています...";
  Poll.SetEnabled(true);
  Shell.Open(owner, Widen(url));
  OnChange(this);
}

void TSignInFlow::Cancel() {
  if (!Waiting()) return;
  if (Listener) Listener->Cancel();
  // A request under way runs to its end alone; its answer is not used.
  Request.reset();
  Finish(TStage::Idle, "サインインを取り消しました。");
}

// Only the awaited redirect is taken; the browser is told either way.
bool TSignInFlow::Redirected(std::string_view head, std::string& reply) {
  const TRedirect redirect = ReadRedirect(head, "/", State);
  const bool taken = redirect.Kind == TRedirect::TKind::Code;
  if (taken) Code = redirect.Code;
  if (redirect.Kind == TRedirect::TKind::Refused) Refusal = redirect.Reason;
  reply = RedirectReply(taken);
  return taken;
}

void TSignInFlow::ListenerDone(TRedirectListener*) {
  Current = TStage::Exchange;
  Shown = "サインイン先からトークンを受け取っています...";
  Request = std::make_unique<TTokenRequest>(Widen(Provider.TokenUrl),
                                            CodeTokenRequest(Provider, Code, RedirectUri, Verifier), kExchangeTimeOutMs);
  Code.clear();
  OnChange(this);
}

void TSignInFlow::ListenerTimeOut(TRedirectListener*) {
  Finish(TStage::Failed, "5 分以内にサインインが終わらなかったため、待つのをやめました。");
}

void TSignInFlow::PollTimer(TObject*) {
  if (Current == TStage::Browser && !Refusal.empty()) {
    Listener->Cancel();
    Finish(TStage::Failed, "ブラウザーからの応答を受け付けませんでした: " + Refusal);
    return;
  }
  if (Current != TStage::Exchange || !Request || !Request->Done()) return;
  try {
    Exchanged();
  } catch (const Exception& e) {
    Finish(TStage::Failed, e.message());
  }
}

void TSignInFlow::Exchanged() {
  const TTokenRequest::TReply reply = Request->Result();
  Request.reset();
  TTokenResponse response;
  try {
    response = ReadTokenResponse(reply.Body);
  } catch (const Exception&) {
    throw Exception("サインイン先の応答を読めません (HTTP " + std::to_string(reply.Status) + ")。");
  }
  if (response.Error) throw Exception("サインイン先がサインインを受け付けませんでした (" + *response.Error + ")。");
  SignIns.SignedIn(Provider.Name, User, response);
  Finish(TStage::SignedIn, "サインインしました。");
}

void TSignInFlow::Finish(TStage stage, std::string text) {
  Poll.SetEnabled(false);
  Verifier.clear();
  Code.clear();
  Current = stage;
  Shown = std::move(text);
  OnChange(this);
}
