# Scripted POP3 servers over TLS on 127.0.0.20 (scripts/lib/tls-fixture.py): a server that asks for an
# optional client certificate (9951), one that speaks only TLS 1.0 and 1.1 (9952), one that requires
# a client certificate (9953), one that answers PASS with an endless line (9954) and one that answers
# STAT with a corrupt record and resets the connection (9955). Its certificate
# is one of the Dovecot test CA's, for the address, so the Dovecot service starts first. Tests find
# its session log (which session ended with the client's close_notify) in PELMORA_TLS_FIXTURE_LOG.
tlsfixture_start() {
  local tls=$BUILD/services/dovecot/tls dir=$SERVICE_DIR line
  openssl req -new -newkey rsa:2048 -nodes -subj "/CN=127.0.0.20" -keyout "$dir/fixture.key" \
    -out "$dir/fixture.csr" 2>/dev/null &&
    printf 'subjectAltName = IP:127.0.0.20, DNS:127.0.0.20\nextendedKeyUsage = serverAuth\n' >"$dir/fixture.ext" &&
    openssl ca -batch -config "$tls/ca.cnf" -extfile "$dir/fixture.ext" -in "$dir/fixture.csr" \
      -out "$dir/fixture.pem" -notext 2>/dev/null || return 1
  : >"$dir/sessions.log"
  coproc TLSFIXTURE { exec python3 "$ROOT/scripts/lib/tls-fixture.py" "$dir/fixture.pem" "$dir/fixture.key" \
    "$tls/ca.pem" "$dir/sessions.log" 2>"$dir/fixture.err"; }
  echo "$TLSFIXTURE_PID" >"$dir/pid"
  read -r -t 10 line <&"${TLSFIXTURE[0]}" && [ "$line" = ready ] || {
    cat "$dir/fixture.err" >&2
    return 1
  }
  export PELMORA_TLS_FIXTURE_LOG=$dir/sessions.log
}

tlsfixture_stop() { stop_recorded "$SERVICE_DIR/pid"; }

register_service tlsfixture
