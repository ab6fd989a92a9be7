#include "transport/portable/TlsRules.h"

int32_t DefaultPort(TProtocol protocol, TSecurity security) {
  if (protocol == TProtocol::Imap) return security == TSecurity::Tls ? 993 : 143;
  return security == TSecurity::Tls ? 995 : 110;
}

std::string TlsFailureText(TTlsFailure failure) {
  switch (failure) {
    case TTlsFailure::Untrusted:
      return "サーバーの証明書は信頼されていません。";
    case TTlsFailure::HostMismatch:
      return "サーバーの証明書はホスト名と一致しません。";
    case TTlsFailure::Expired:
      return "サーバーの証明書は有効期限が切れています。";
    case TTlsFailure::Revoked:
      return "サーバーの証明書は失効しています。";
    case TTlsFailure::NoStartTls:
      return "サーバーは STARTTLS に対応していません。";
    case TTlsFailure::OldProtocol:
      return "サーバーは古い TLS (1.1 以前) にしか対応していません。";
    case TTlsFailure::ClientCertificate:
      return "サーバーはクライアント証明書を求めていますが、この設定では使えません。";
    case TTlsFailure::NotTls:
      return "サーバーが SSL/TLS で応答しません。ポート番号と接続の保護を確認してください。";
    case TTlsFailure::Handshake:
      break;
  }
  return "安全な接続を確立できませんでした。";
}
