# The test CA's revocation list over HTTP on 127.0.0.1, and a revocation server that accepts and
# never answers, for the certificates that dovecot.sh makes. This service starts first (file order):
# it exports the list's address PELMORA_CRL_URL and the file PELMORA_CRL_FILE that it serves there,
# which dovecot.sh writes once it has made the CA, and PELMORA_STALLED_CRL_URL. The addresses are new
# every run: a system keeps fetched lists by address, and each run has a CA of its own.

crl_start() {
  local ports=$SERVICE_DIR/ports http stalled token
  mkdir -p "$SERVICE_DIR/www"
  python3 "$(dirname "${BASH_SOURCE[0]}")/../crl-server.py" "$SERVICE_DIR/www" "$ports" >"$SERVICE_DIR/log" 2>&1 &
  echo $! >"$SERVICE_DIR/pid"
  for _ in $(seq 100); do
    [ -s "$ports" ] && break
    sleep 0.1
  done
  read -r http stalled <"$ports" 2>/dev/null || {
    printf 'error: the CRL server does not listen\n' >&2
    cat "$SERVICE_DIR/log" >&2
    return 1
  }
  token=$(date +%s%N)
  export PELMORA_CRL_URL=http://127.0.0.1:$http/ca-$token.crl PELMORA_CRL_FILE=$SERVICE_DIR/www/ca-$token.crl
  export PELMORA_STALLED_CRL_URL=http://127.0.0.1:$stalled/ca-$token.crl
}

crl_stop() {
  local pid
  pid=$(cat "$SERVICE_DIR/pid" 2>/dev/null) || return 0
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  rm -f "$SERVICE_DIR/pid"
  return 0
}

register_service crl
