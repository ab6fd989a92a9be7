#include "mailbox/MailboxSession.h"

TMailboxSession::~TMailboxSession() {
  ComponentDestroying = true;
  try {
    Abort();
  } catch (...) {
    // The transport's destruction closes the socket in any case.
  }
}

void TMailboxSession::SetLogin(const TLogin& login) {
  Host = login.Host;
  Port = login.Port;
  Security = login.Security;
  UserID = login.UserID;
  Password = login.Password;
  TimeOut = login.TimeOut;
  AccessToken = login.AccessToken;
}

void TMailboxSession::RequireTlsForToken() const {
  if (!Secure()) throw ETlsError(kTokenWithoutTlsText);
}

void TMailboxSession::DoDisconnect() {
  if (!Connected()) return;
  try {
    SayGoodbye();
    EndSecureSession();
  } catch (...) {
    TSockTransport::DoDisconnect();
    throw;
  }
  TSockTransport::DoDisconnect();
}

void TMailboxSession::Abort() {
  Cancel();
  if (Connected()) {
    TSockTransport::DoDisconnect();
    ClearInput();
  }
}
