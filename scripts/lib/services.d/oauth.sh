# The test OAuth 2.0 provider (scripts/lib/oauth-provider.py, which tells its endpoints) over HTTPS on
# 127.0.0.1:8443 with a certificate of the Dovecot test CA for localhost and 127.0.0.1, so the Dovecot
# service starts first; Dovecot asks it whether a token is live. Tests find it at PELMORA_OAUTH_URL
# (https://localhost:8443) with the client id PELMORA_OAUTH_CLIENT_ID; they drive it through
# POST /control (token lifetime, revoking a user's grants) and read GET /stats (token requests per
# grant type and per user). The browser that follows its authorization URL for the Wine tests is
# scripts/lib/test-browser.
. "$(dirname "${BASH_SOURCE[0]}")/../oauth.sh"

oauth_start() { oauth_provider_start "$SERVICE_DIR" "$BUILD/services/dovecot/tls"; }

oauth_stop() { oauth_provider_stop "$SERVICE_DIR"; }

register_service oauth
