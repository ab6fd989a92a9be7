# Two mailboxes on the test Dovecot, one holding mail, and two accounts with Japanese names for
# them; the check at start-up is on, so the first thing the user sees is its message.
. "$ROOT/scripts/lib/dovecot.sh"
dovecot_add_user "$BUILD/services/dovecot" taro taro-pass &&
  dovecot_put_messages "$BUILD/services/dovecot" taro 2 &&
  dovecot_add_user "$BUILD/services/dovecot" hanako hanako-pass || return 1
printf '%s\r\n' \
  '自宅のメール,する,127.0.0.1,taro,taro-pass,ﾒｯｾｰｼﾞ,' \
  '会社のメール,する,127.0.0.1,hanako,hanako-pass,ﾒｯｾｰｼﾞ,' | iconv -f UTF-8 -t CP932 >"$DEMO_DIR/account.dat" || return 1
printf '[SET]\r\nSTART=1\r\nTIME=1\r\nMINUTE=30\r\n' >"$DEMO_DIR/Pelmora.ini"
