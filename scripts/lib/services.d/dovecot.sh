# The POP3 and IMAP server of the Wine tests: Dovecot on 127.0.0.1:110 and :143
# (scripts/lib/dovecot.sh). Its users: "pelmora1" (password "secret1", 3 messages) and "pelmora2"
# (password "secret2", empty), which tests may add messages to; "pelmora3" (4 messages), "pelmora4"
# (empty) and "pelmora5" (1 message), which stay as they are for the program's check cycle;
# "pelmora6" (2 messages), which only the test of the locked mailbox uses, through 127.0.0.3;
# "pelmora7" and "pelmora8" (empty), whose mail only the tests of new mail by identity deliver and
# take away; "pelmora9" and "pelmora10" (empty), whose mail only the tests of IDLE deliver (the
# program's, and the watchers' over TLS); "pelmoraoauth1" and "pelmoraoauth2" (empty), for the
# program's sign-in tests, "pelmoraoauth4" and "pelmoraoauth5" (empty), for the tests of tokens over
# many checks, "pelmoraoauth6" (empty), for the sessions' token logins, and "pelmoraoauth3" (empty),
# for the test of the sign-in bench itself: their passwords are made at random each run, so they log
# in only with tokens of the test OAuth provider (services.d/oauth.sh), with XOAUTH2 or OAUTHBEARER,
# as every user can. Tests find the maildirs' root in PELMORA_DOVECOT_MAIL and the server's log (one
# "Login: user=<NAME>" line a login, ", TLS" in it when secured; every attempt logged) beside it in
# log/dovecot.log; the test certificates, ca.pem among them, in PELMORA_DOVECOT_TLS.
. "$(dirname "${BASH_SOURCE[0]}")/../dovecot.sh"

dovecot_start() {
  dovecot_server_start "$SERVICE_DIR" || return 1
  dovecot_add_user "$SERVICE_DIR" pelmora1 secret1 &&
    dovecot_put_messages "$SERVICE_DIR" pelmora1 3 &&
    dovecot_add_user "$SERVICE_DIR" pelmora2 secret2 &&
    dovecot_add_user "$SERVICE_DIR" pelmora3 secret3 &&
    dovecot_put_messages "$SERVICE_DIR" pelmora3 4 &&
    dovecot_add_user "$SERVICE_DIR" pelmora4 secret4 &&
    dovecot_add_user "$SERVICE_DIR" pelmora5 secret5 &&
    dovecot_put_messages "$SERVICE_DIR" pelmora5 1 &&
    dovecot_add_user "$SERVICE_DIR" pelmora6 secret6 &&
    dovecot_put_messages "$SERVICE_DIR" pelmora6 2 &&
    dovecot_add_user "$SERVICE_DIR" pelmora7 secret7 &&
    dovecot_add_user "$SERVICE_DIR" pelmora8 secret8 &&
    dovecot_add_user "$SERVICE_DIR" pelmora9 secret9 &&
    dovecot_add_user "$SERVICE_DIR" pelmora10 secret10 &&
    dovecot_add_user "$SERVICE_DIR" pelmoraoauth1 "$(openssl rand -hex 16)" &&
    dovecot_add_user "$SERVICE_DIR" pelmoraoauth2 "$(openssl rand -hex 16)" &&
    dovecot_add_user "$SERVICE_DIR" pelmoraoauth3 "$(openssl rand -hex 16)" &&
    dovecot_add_user "$SERVICE_DIR" pelmoraoauth4 "$(openssl rand -hex 16)" &&
    dovecot_add_user "$SERVICE_DIR" pelmoraoauth5 "$(openssl rand -hex 16)" &&
    dovecot_add_user "$SERVICE_DIR" pelmoraoauth6 "$(openssl rand -hex 16)" || return 1
  export PELMORA_DOVECOT_MAIL=$SERVICE_DIR/mail PELMORA_DOVECOT_TLS=$SERVICE_DIR/tls
}

dovecot_stop() { dovecot_server_stop "$SERVICE_DIR"; }

register_service dovecot
