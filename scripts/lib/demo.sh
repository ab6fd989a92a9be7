# The demo folder of scripts/run: a fresh copy of Pelmora.exe with the files it reads next to it.
#
# Each file scripts/lib/demo.d/NAME.sh is sourced by prepare_demo with DEMO_DIR set (and the test
# servers of services.sh already running); it writes its files into DEMO_DIR (account.dat,
# Pelmora.ini, ...) and may add what it needs to those servers.

prepare_demo() {
  DEMO_DIR=$1
  rm -rf "$DEMO_DIR" && mkdir -p "$DEMO_DIR" || return 1
  cp "$BUILD/win/app/Pelmora.exe" "$BUILD/win/app/Readme.txt" "$DEMO_DIR/" || return 1
  local hook
  for hook in "$(dirname "${BASH_SOURCE[0]}")"/demo.d/*.sh; do
    [ -e "$hook" ] || continue
    . "$hook" || return 1
  done
}

# Drives the demo where nobody can watch it: saves a screenshot of the start-up check's message box
# and of the settings window, prints their paths and the box's text, answers the box and closes the
# program as a user would. Needs uiprobe.exe, on the program's display and in its prefix.
demo_unattended() {
  local probe=$BUILD/win/tests/support/uiprobe.exe title=ペルモーラ main tray boxes=0 timeout=30000
  # The start-up check's boxes, one after the other; the first may take as long as Wine's start.
  while wine "$probe" wait '#32770' "$title" $timeout >/dev/null 2>&1; do
    boxes=$((boxes + 1))
    timeout=3000
    "$ROOT/scripts/lib/screenshot" "demo-message-box-$boxes"
    wine "$probe" msgbox --exe Pelmora.exe 2>/dev/null
    wine "$probe" press "$title" OK >/dev/null 2>&1 || return 1
  done
  [ $boxes -gt 0 ] || { log "no message box appeared"; return 1; }
  # A double click on the tray icon (its window's callback message is WM_USER + 101) shows the
  # settings window; its close box (WM_SYSCOMMAND, SC_CLOSE) ends the program.
  tray=$(wine "$probe" list --all --exe Pelmora.exe 2>/dev/null | sed -n 's/^window \(0x[0-9a-f]*\) .*class="PelmoraTrayIconWindow".*/\1/p')
  [ -n "$tray" ] && wine "$probe" post "$tray" 0x465 0 0x203 >/dev/null 2>&1 || return 1
  main=$(wine "$probe" wait PelmoraForm '' 10000 2>/dev/null | tr -d '\r') || return 1
  sleep 1
  "$ROOT/scripts/lib/screenshot" demo-settings-window
  wine "$probe" post "$main" 0x112 0xF060 0 >/dev/null 2>&1
}
