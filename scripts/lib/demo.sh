# The demo folder of scripts/run: a copy of Pelmora.exe with the files it reads next to it.
#
# Each file scripts/lib/demo.d/NAME.sh is sourced by prepare_demo with DEMO_DIR set (and the test
# servers of services.sh already running); it writes its files into DEMO_DIR (account.dat,
# Pelmora.ini, sounds, ...) only when they are not there yet, so that what the user changed during
# a demo is kept. `rm -rf BUILD/demo` starts the demo afresh.

prepare_demo() {
  DEMO_DIR=$1
  mkdir -p "$DEMO_DIR"
  cp "$BUILD/win/app/Pelmora.exe" "$DEMO_DIR/Pelmora.exe" || return 1
  local hook
  for hook in "$(dirname "${BASH_SOURCE[0]}")"/demo.d/*.sh; do
    [ -e "$hook" ] || continue
    . "$hook" || return 1
  done
}
