# A private Dovecot POP3 server on 127.0.0.1:110 (STLS) and :995 (TLS), and its IMAP server on :143
# (STARTTLS) and :993 (TLS), for the tests and the benchmark: its own configuration, run, state and log folders, certificates, passwd-file users and
# maildirs under one folder DIR, never the system's configuration. Source this file; it defines
# functions only.
#
# TLS: DIR/tls/ca.pem is the test CA (trusted only inside the tests' own Wine prefix, by the tests);
# 127.0.0.1 shows a certificate of that CA for the name localhost. Further addresses serve the
# failures: 127.0.0.11 a certificate of an unknown CA, 127.0.0.12 an expired one, 127.0.0.13 no TLS
# at all (no STLS or STARTTLS, nothing on 995 or 993), 127.0.0.14 one that the test CA has revoked, 127.0.0.15 one
# whose revocation server never answers (both for localhost and their own address). The CA's
# revocation list is DIR/tls/ca.crl, copied to PELMORA_CRL_FILE and named in the certificates as
# PELMORA_CRL_URL and PELMORA_STALLED_CRL_URL when set (by services.d/crl.sh); otherwise (scripts/bench)
# they name a closed port. A client that connects to 127.0.0.1 by address meets a
# certificate for another name. On 127.0.0.3:110 a session keeps its mailbox locked until it ends, as
# mbox-based servers do.
#
# Every user can also log in with XOAUTH2 or OAUTHBEARER: Dovecot asks the test OAuth provider
# (scripts/lib/oauth-provider.py, on 127.0.0.1:$OAUTH_PORT, started by whoever starts this server)
# whether the token is live and whose it is. DIR/tls/oauth.pem and .key are the provider's
# certificate, for localhost and 127.0.0.1.
#
#   dovecot_server_start DIR        waits for the machine-wide lock, then starts and waits for the greeting
#   dovecot_server_stop DIR         stops the server and releases the lock
#   dovecot_add_user DIR NAME PASSWORD    a user with an empty maildir (the server sees it at once)
#   dovecot_put_messages DIR NAME N       N more messages in NAME's maildir (seen at the next login)
#   dovecot_clear_messages DIR NAME       an empty mailbox again
#
# Port 110 exists once per network namespace, so two runs sharing one take turns: the lock is held
# from start to stop (flock on $DOVECOT_LOCK). scripts/test gives each run a namespace, and a lock,
# of its own.

DOVECOT_LOCK=${DOVECOT_LOCK:-/tmp/pelmora-dovecot.lock}
# The master's pid of the server that holds the port, so a run that died cannot block the next one.
DOVECOT_OWNER=${DOVECOT_OWNER:-/tmp/pelmora-dovecot.pid}
DOVECOT_MAIL_USER=pelmora-mail
OAUTH_PORT=${OAUTH_PORT:-8443}
DOVECOT_LOCK_FD=

# Dovecot refuses to keep mailboxes as root: they belong to a system user of our own.
dovecot_mail_user() {
  if ! getent passwd "$DOVECOT_MAIL_USER" >/dev/null; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$DOVECOT_MAIL_USER" ||
      return 1
  fi
}

# The first five serve TLS on 995 as well.
DOVECOT_ADDRESSES=(127.0.0.1 127.0.0.11 127.0.0.12 127.0.0.14 127.0.0.15 127.0.0.13 127.0.0.3)

# dovecot_tls_cert DIR NAME CA DNS IP CRL [openssl ca options]: DIR/tls/NAME.pem and .key, signed by
# CA (ca or other) for the DNS name and, unless empty, the IP address, with the revocation list's
# address CRL unless empty.
dovecot_tls_cert() {
  local tls=$1/tls name=$2 ca=$3 dns=$4 ip=$5 crl=$6
  shift 6
  openssl req -new -newkey rsa:2048 -nodes -subj "/CN=$dns" -keyout "$tls/$name.key" -out "$tls/$name.csr" \
    2>/dev/null || return 1
  printf 'subjectAltName = DNS:%s%s\nextendedKeyUsage = serverAuth\n' "$dns" "${ip:+,IP:$ip}" >"$tls/$name.ext"
  [ -z "$crl" ] || printf 'crlDistributionPoints = URI:%s\n' "$crl" >>"$tls/$name.ext"
  openssl ca -batch -config "$tls/$ca.cnf" -extfile "$tls/$name.ext" -in "$tls/$name.csr" -out "$tls/$name.pem" \
    -notext "$@" 2>/dev/null
}

# dovecot_tls_ca DIR NAME: a CA of its own in DIR/tls/NAME.pem, with what `openssl ca` needs beside it.
dovecot_tls_ca() {
  local tls=$1/tls name=$2
  mkdir -p "$tls/$name.db"
  : >"$tls/$name.db/index"
  cat >"$tls/$name.cnf" <<CNF
[ ca ]
default_ca = ca_section
[ ca_section ]
dir = $tls/$name.db
database = \$dir/index
new_certs_dir = \$dir
certificate = $tls/$name.pem
private_key = $tls/$name.key
rand_serial = yes
default_md = sha256
default_days = 30
default_crl_days = 30
policy = policy_any
unique_subject = no
[ policy_any ]
commonName = supplied
CNF
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Pelmora Test CA $name" \
    -addext basicConstraints=critical,CA:true -addext keyUsage=critical,keyCertSign,cRLSign \
    -keyout "$tls/$name.key" -out "$tls/$name.pem" 2>/dev/null
}

# The certificates of every run are new: nothing outlives the run that made them.
dovecot_make_certificates() {
  local dir=$1 tls=$1/tls
  local crl=${PELMORA_CRL_URL:-http://127.0.0.1:1/ca.crl} stalled=${PELMORA_STALLED_CRL_URL:-http://127.0.0.1:1/ca.crl}
  mkdir -p "$tls"
  dovecot_tls_ca "$dir" ca && dovecot_tls_ca "$dir" other &&
    dovecot_tls_cert "$dir" localhost ca localhost '' '' &&
    dovecot_tls_cert "$dir" untrusted other localhost '' '' &&
    dovecot_tls_cert "$dir" expired ca localhost '' '' -startdate 20200101000000Z -enddate 20210101000000Z &&
    dovecot_tls_cert "$dir" revoked ca localhost 127.0.0.14 "$crl" &&
    dovecot_tls_cert "$dir" stalled ca localhost 127.0.0.15 "$stalled" &&
    dovecot_tls_cert "$dir" oauth ca localhost 127.0.0.1 '' &&
    openssl ca -config "$tls/ca.cnf" -revoke "$tls/revoked.pem" 2>/dev/null &&
    openssl ca -config "$tls/ca.cnf" -gencrl -out "$tls/ca-crl.pem" 2>/dev/null &&
    openssl crl -in "$tls/ca-crl.pem" -outform DER -out "$tls/ca.crl" &&
    { [ -z "${PELMORA_CRL_FILE:-}" ] || cp "$tls/ca.crl" "$PELMORA_CRL_FILE"; } || {
    printf 'error: cannot make the test certificates\n' >&2
    return 1
  }
}

dovecot_write_config() {
  local dir=$1 uid gid all tls
  uid=$(id -u "$DOVECOT_MAIL_USER") && gid=$(id -g "$DOVECOT_MAIL_USER") || return 1
  all=$(IFS=,; printf '%s' "${DOVECOT_ADDRESSES[*]}")
  tls=$(IFS=,; printf '%s' "${DOVECOT_ADDRESSES[*]:0:5}")
  mkdir -p "$dir/run" "$dir/state" "$dir/log" "$dir/mail"
  touch "$dir/users"
  chown "$uid:$gid" "$dir/mail"
  dovecot_make_certificates "$dir" || return 1
  cat >"$dir/dovecot.conf" <<CONF
base_dir = $dir/run
state_dir = $dir/state
log_path = $dir/log/dovecot.log
protocols = pop3 imap
listen = $all
ssl = yes
ssl_cert = <$dir/tls/localhost.pem
ssl_key = <$dir/tls/localhost.key
ssl_dh = </usr/share/dovecot/dh.pem
ssl_min_protocol = TLSv1.2
disable_plaintext_auth = no
auth_mechanisms = plain xoauth2 oauthbearer
auth_failure_delay = 0
# Every login attempt is logged, so tests can show that a password was never sent.
auth_verbose = yes
local 127.0.0.11 {
  ssl_cert = <$dir/tls/untrusted.pem
  ssl_key = <$dir/tls/untrusted.key
}
local 127.0.0.12 {
  ssl_cert = <$dir/tls/expired.pem
  ssl_key = <$dir/tls/expired.key
}
local 127.0.0.14 {
  ssl_cert = <$dir/tls/revoked.pem
  ssl_key = <$dir/tls/revoked.key
}
local 127.0.0.15 {
  ssl_cert = <$dir/tls/stalled.pem
  ssl_key = <$dir/tls/stalled.key
}
local 127.0.0.13 {
  ssl = no
}
first_valid_uid = $uid
last_valid_uid = $uid
mail_location = maildir:$dir/mail/%u
pop3_uidl_format = %08Xu%08Xv
service pop3-login {
  inet_listener pop3 {
    address = $all
    port = 110
  }
  inet_listener pop3s {
    address = $tls
    port = 995
    ssl = yes
  }
}
service imap-login {
  inet_listener imap {
    address = $all
    port = 143
  }
  inet_listener imaps {
    address = $tls
    port = 993
    ssl = yes
  }
}
local 127.0.0.3 {
  protocol pop3 {
    pop3_lock_session = yes
  }
}
# A token goes to the provider alone: never compared with a password of the file. A refused token
# goes on to the failing passdb below, which answers at once.
passdb {
  driver = oauth2
  mechanisms = xoauth2 oauthbearer
  args = $dir/oauth2.conf
}
passdb {
  driver = passwd-file
  mechanisms = plain
  args = scheme=PLAIN username_format=%u $dir/users
}
# A refused login is answered at once: the file's refusal goes on to this passdb, which always fails
# without the delay Dovecot otherwise adds per address.
passdb {
  driver = static
  args = nopassword=y nodelay=yes
  result_success = return-fail
}
userdb {
  driver = static
  args = uid=$uid gid=$gid home=$dir/mail/%u
}
CONF
  cat >"$dir/oauth2.conf" <<CONF
introspection_mode = post
introspection_url = https://127.0.0.1:$OAUTH_PORT/introspect
username_attribute = username
active_attribute = active
active_value = true
tls_ca_cert_file = $dir/tls/ca.pem
CONF
}

# Greeting on 127.0.0.1:110 within 10 s.
dovecot_wait_ready() {
  local i
  for i in $(seq 100); do
    if { exec 7<>/dev/tcp/127.0.0.1/110; } 2>/dev/null; then
      local line=
      read -r -t 2 line <&7
      exec 7<&- 7>&-
      case "$line" in "+OK"*) return 0 ;; esac
    fi
    sleep 0.1
  done
  return 1
}

dovecot_server_start() {
  local dir=$1 stale
  dovecot_mail_user || return 1
  exec {DOVECOT_LOCK_FD}>>"$DOVECOT_LOCK"
  if ! flock -w 900 "$DOVECOT_LOCK_FD"; then
    printf 'error: another test run has held %s for 15 minutes\n' "$DOVECOT_LOCK" >&2
    return 1
  fi
  # A server left behind by a run that died (it no longer holds the lock, so nobody uses it).
  stale=$(cat "$DOVECOT_OWNER" 2>/dev/null)
  if [ -n "$stale" ] && [ "$(ps -o comm= -p "$stale" 2>/dev/null)" = dovecot ]; then
    kill "$stale" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$stale" 2>/dev/null || break; sleep 0.1; done
  fi
  dovecot_write_config "$dir" || return 1
  # The lock's descriptor is not inherited, so only this shell holds it.
  dovecot -c "$dir/dovecot.conf" {DOVECOT_LOCK_FD}>&- || {
    cat "$dir/log/dovecot.log" >&2 2>/dev/null
    return 1
  }
  cat "$dir/run/master.pid" >"$DOVECOT_OWNER" 2>/dev/null
  dovecot_wait_ready || {
    printf 'error: dovecot does not answer on 127.0.0.1:110\n' >&2
    tail -n 20 "$dir/log/dovecot.log" >&2 2>/dev/null
    return 1
  }
}

dovecot_server_stop() {
  local dir=$1 pid
  pid=$(cat "$dir/run/master.pid" 2>/dev/null)
  if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  [ "$(cat "$DOVECOT_OWNER" 2>/dev/null)" = "$pid" ] && rm -f "$DOVECOT_OWNER"
  if [ -n "$DOVECOT_LOCK_FD" ]; then
    flock -u "$DOVECOT_LOCK_FD"
    exec {DOVECOT_LOCK_FD}>&-
    DOVECOT_LOCK_FD=
  fi
  return 0
}

dovecot_add_user() {
  local dir=$1 name=$2 password=$3 box
  box=$dir/mail/$name
  sed -i "/^$name:/d" "$dir/users"
  printf '%s:%s\n' "$name" "$password" >>"$dir/users"
  mkdir -p "$box/new" "$box/cur" "$box/tmp"
  chown -R "$DOVECOT_MAIL_USER:" "$box"
}

dovecot_put_messages() {
  local dir=$1 name=$2 count=$3 i file
  for ((i = 1; i <= count; i++)); do
    file=$dir/mail/$name/new/$(date +%s).$$_$RANDOM$i.pelmora
    printf 'From: sender@example.invalid\nTo: %s@example.invalid\nSubject: test %d\n\nmessage %d\n' \
      "$name" "$i" "$i" >"$file"
    chown "$DOVECOT_MAIL_USER:" "$file"
  done
}

dovecot_clear_messages() {
  local box=$1/mail/$2
  rm -f "$box"/new/* "$box"/cur/*
}
