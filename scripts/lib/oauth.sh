# The test OAuth 2.0 provider (scripts/lib/oauth-provider.py) on https://localhost:$OAUTH_PORT
# (127.0.0.1), whose certificate dovecot.sh makes with the test CA, for the Dovecot that validates
# its tokens. Source this file after common.sh and dovecot.sh; it defines functions only.
#
#   oauth_provider_start DIR TLS    starts it (log in DIR/log) with TLS/oauth.pem and waits until it
#                                   listens; exports PELMORA_OAUTH_URL and PELMORA_OAUTH_CLIENT_ID
#   oauth_provider_stop DIR         stops it and waits for its end
#
# Its port exists once per network namespace: scripts/bench starts it while it holds Dovecot's lock.

OAUTH_CLIENT_ID=pelmora-tests

oauth_provider_start() {
  local dir=$1 tls=$2
  : >"$dir/ready"
  python3 "$(dirname "${BASH_SOURCE[0]}")/oauth-provider.py" "$tls/oauth.pem" "$tls/oauth.key" "$OAUTH_PORT" \
    "$OAUTH_CLIENT_ID" >"$dir/ready" 2>"$dir/log" &
  echo $! >"$dir/pid"
  for _ in $(seq 100); do
    [ -s "$dir/ready" ] && break
    kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$dir/ready" ] || {
    printf 'error: the OAuth provider does not listen on 127.0.0.1:%s\n' "$OAUTH_PORT" >&2
    cat "$dir/log" >&2
    return 1
  }
  export PELMORA_OAUTH_URL=https://localhost:$OAUTH_PORT PELMORA_OAUTH_CLIENT_ID=$OAUTH_CLIENT_ID
}

oauth_provider_stop() { stop_recorded "$1/pid"; }
