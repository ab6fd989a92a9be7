# Shared by scripts/test and scripts/run: paths, package installation, the build trees, the Wine
# prefix, the virtual display and the loopback-only name resolution. Source it. Besides its
# functions it sets ROOT, BUILD, BUILD_DIR and WIN_BITS, exports WINEDEBUG, PELMORA_BUILD_DIR and
# Wine's WINEPREFIX and WINEARCH, and, where only 64-bit Wine runs, exports WINELOADER, writes the
# wine command $BUILD/.wine64/wine and puts that folder first on PATH.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-build}
case "$BUILD_DIR" in
  /*) BUILD=$BUILD_DIR ;;
  *) BUILD=$ROOT/$BUILD_DIR ;;
esac
export WINEDEBUG=${WINEDEBUG:--all}
export PELMORA_BUILD_DIR=$BUILD

# Pelmora is a 32-bit Windows program, and the Windows tree ($BUILD/win) is built and run as such
# under 32-bit Wine. Some kernels run no 32-bit Linux program, so not Wine's 32-bit loader either:
# there the Windows tree is built for 64-bit Windows and run under 64-bit Wine (through the wine
# command of $BUILD/.wine64), and the 32-bit program is built beside it ($BUILD/win32) but not run.
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  WIN_BITS=32
  export WINEPREFIX=$BUILD/wineprefix WINEARCH=win32
elif [ -x /usr/lib/wine/wine64 ]; then
  WIN_BITS=64
  export WINEPREFIX=$BUILD/wineprefix64 WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
  mkdir -p "$BUILD/.wine64"
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$BUILD/.wine64/wine"
  chmod +x "$BUILD/.wine64/wine"
  export PATH=$BUILD/.wine64:$PATH
else
  # Before the packages are installed: the scripts start again once they are.
  WIN_BITS=32
  export WINEPREFIX=$BUILD/wineprefix WINEARCH=win32
fi

# Everything the build, the tests and the demo need from Debian 12. libgnutls30 is named per
# architecture: Wine's TLS loads it at run time (no package depends on it), and a name without its
# architecture would look missing to dpkg-query once both are installed.
PACKAGES=(cmake ninja-build g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xdotool imagemagick x11-utils
  locales fonts-ipafont-gothic googletest dovecot-core dovecot-pop3d dovecot-imapd clang libclang-rt-14-dev python3
  curl procps iproute2 util-linux openssl libgnutls30:amd64 libgnutls30:i386)
LOCALES=(ja_JP.UTF-8 en_US.UTF-8)

log() { printf '== %s\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

missing_packages() {
  local p
  for p in "${PACKAGES[@]}"; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ] || printf '%s\n' "$p"
  done
}

# `locale -a` lists ja_JP.UTF-8 as ja_JP.utf8.
missing_locales() {
  local l have
  have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  for l in "${LOCALES[@]}"; do
    grep -qx "$(printf '%s' "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')" <<<"$have" || printf '%s\n' "$l"
  done
}

need_root() {
  [ "$(id -u)" = 0 ] || die "$1 is missing; run this script once as root so that it can install it"
}

# Where the 32-bit packages could not be installed, the time of that try: the next runs within an hour
# go on with 64-bit Wine instead of asking the mirror again.
NO_I386_MARK=/var/tmp/pelmora-no-i386-packages

# The missing packages, less the 32-bit ones while their last failed try is recent.
packages_to_install() {
  if [ -n "$(find "$NO_I386_MARK" -mmin -60 2>/dev/null)" ] && [ -x /usr/lib/wine/wine64 ]; then
    missing_packages | grep -v ':i386$'
  else
    missing_packages
  fi
}

# Installs only what is missing; a machine that has everything is left untouched.
ensure_packages() {
  local missing
  mapfile -t missing < <(packages_to_install)
  if [ ${#missing[@]} -gt 0 ]; then
    need_root "packages ${missing[*]}"
    log "installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
    fi
    install_packages "${missing[@]}" || die "the packages could not be installed"
    stop_system_dovecot
  fi
  mapfile -t missing < <(missing_locales)
  if [ ${#missing[@]} -gt 0 ]; then
    need_root "locales ${missing[*]}"
    log "generating locales ${missing[*]}"
    local l
    for l in "${missing[@]}"; do
      if grep -q "^# *$l UTF-8" /etc/locale.gen; then
        sed -i "s/^# *$l UTF-8/$l UTF-8/" /etc/locale.gen
      elif ! grep -q "^$l UTF-8" /etc/locale.gen; then
        printf '%s UTF-8\n' "$l" >>/etc/locale.gen
      fi
    done
    locale-gen >/dev/null || die "locale-gen failed"
  fi
}

# Package scripts must not leave a system service (dovecot) running: the tests start their own. The
# policy-rc.d that forbids service starts goes with the subshell that made it, on every way out,
# Ctrl-C too: left behind, it would keep every service on the machine from starting.
install_packages() (
  local policy=/usr/sbin/policy-rc.d
  export DEBIAN_FRONTEND=noninteractive
  if [ ! -e $policy ]; then
    trap "rm -f $policy" EXIT
    trap 'exit 130' INT TERM HUP
    printf '#!/bin/sh\nexit 101\n' >$policy && chmod +x $policy || exit 1
  fi
  update_package_lists
  apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends "$@" && { rm -f "$NO_I386_MARK"; exit 0; }
  # A 32-bit index out of step with its mirror can leave the i386 packages uninstallable while all
  # the rest is fine: install the rest, and the scripts build and test the 64-bit program under
  # 64-bit Wine (as on kernels without 32-bit support).
  local p rest=()
  for p in "$@"; do
    case $p in *:i386) ;; *) rest+=("$p") ;; esac
  done
  [ ${#rest[@]} -lt $# ] || exit 1
  log "the 32-bit packages cannot be installed now; the Windows tests will run as 64-bit programs under 64-bit Wine"
  touch "$NO_I386_MARK"
  apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends "${rest[@]}"
)

# A mirror in the middle of a sync serves an index that does not match its Release file for a
# while: try again after a pause, then go on with whatever indexes were fetched.
update_package_lists() {
  local try
  for try in 1 2 3; do
    apt-get -o DPkg::Lock::Timeout=300 update -q && return 0
    [ $try = 3 ] || { log "apt-get update failed; trying again in $((try * 10)) s"; sleep $((try * 10)); }
  done
  log "apt-get update failed three times; going on with the package lists it could fetch"
}

stop_system_dovecot() {
  local pid
  pid=$(cat /run/dovecot/master.pid 2>/dev/null) || return 0
  kill -0 "$pid" 2>/dev/null || return 0
  log "stopping the dovecot started by its package"
  # Without systemd this fails and the kill alone stops it; with it, the kill finds it gone.
  systemctl disable --now dovecot >/dev/null 2>&1 || true
  kill "$pid" 2>/dev/null || true
}

# Runs "$@" in a private mount namespace whose resolv.conf names only 127.0.0.1, so nothing started
# from it can send a name query off the machine (lookups of unknown names fail at once). With
# --own-network first, also in a network namespace of its own with only its loopback: the test
# servers' ports are then the run's own, so runs in other build folders can go at the same time.
run_loopback_only() {
  local own_network=
  if [ "${1:-}" = --own-network ]; then
    own_network=-n
    shift
  fi
  if [ -n "${PELMORA_LOOPBACK_ONLY:-}" ]; then
    "$@"
    return
  fi
  mkdir -p "$BUILD"
  printf 'nameserver 127.0.0.1\n' >"$BUILD/resolv.conf"
  if [ -n "$own_network" ]; then
    export DOVECOT_LOCK=$BUILD/.dovecot.lock DOVECOT_OWNER=$BUILD/.dovecot.pid
  fi
  local userns=
  [ "$(id -u)" = 0 ] || userns=-r
  PELMORA_LOOPBACK_ONLY=1 PELMORA_OWN_NETWORK=$own_network exec unshare $userns -m $own_network --propagation private -- \
    bash -c 'mount --bind "$0" /etc/resolv.conf || exit 1
      [ -z "$PELMORA_OWN_NETWORK" ] || ip link set lo up || exit 1
      exec "$@"' "$BUILD/resolv.conf" "$@"
}

configure_native() {
  [ -f "$BUILD/native/build.ninja" ] ||
    cmake -S "$ROOT" -B "$BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
}

# configure_windows TREE TOOLCHAIN: a Release tree for one Windows toolchain (made again when it
# was made for another one).
configure_windows() {
  local tree=$BUILD/$1 toolchain=$ROOT/cmake/$2.cmake
  if [ -f "$tree/build.ninja" ] && ! grep -qx "CMAKE_TOOLCHAIN_FILE:[A-Z]*=$toolchain" "$tree/CMakeCache.txt"; then
    rm -rf "$tree"
  fi
  [ -f "$tree/build.ninja" ] ||
    cmake -S "$ROOT" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
}

# The tree whose programs run here; on a machine that runs 64-bit Wine only, also the 32-bit one.
configure_win() {
  if [ "$WIN_BITS" = 32 ]; then
    configure_windows win mingw-i686
  else
    configure_windows win mingw-x86_64 && configure_windows win32 mingw-i686
  fi
}

# The tree that holds the 32-bit Pelmora.exe as it ships.
shipped_tree() {
  if [ "$WIN_BITS" = 32 ]; then echo "$BUILD/win"; else echo "$BUILD/win32"; fi
}

# Starts Xvfb on the first free display and exports DISPLAY; stop_display ends it.
XVFB_PID=
start_display() {
  local fifo=$BUILD/.displayfd.$$ number
  rm -f "$fifo" && mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  read -r -t 20 number <"$fifo" || number=
  rm -f "$fifo"
  [ -n "$number" ] || die "Xvfb did not start"
  export DISPLAY=:$number
}

stop_display() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
  fi
}

# The project's own prefix, made once, and beside it a twin for each DPI in PREFIX_DPIS whose display
# has that DPI (a test that sets PELMORA_DPI runs in it, see wine-run). The marker names the prefix's
# settings: a prefix without it (half made, or made with older settings) is made again.
PREFIX_MARKER=.pelmora-prefix-3
PREFIX_DPIS=(144)
ensure_prefix() { make_prefix "$WINEPREFIX" 96; }

ensure_dpi_prefixes() {
  local dpi
  for dpi in "${PREFIX_DPIS[@]}"; do
    make_prefix "$WINEPREFIX-dpi$dpi" "$dpi"
  done
}

# make_prefix PREFIX DPI
make_prefix() {
  local prefix=$1 dpi=$2
  [ -f "$prefix/$PREFIX_MARKER" ] && return 0
  log "creating the Wine prefix $prefix"
  rm -rf "$prefix"
  # No Mono or Gecko: nothing here needs them, and their installers would wait for a click.
  WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i >/dev/null 2>&1 || die "wineboot failed"
  # Windows not handed to a window manager: Xvfb has none, and Wine would wait two seconds for one
  # each time a window is hidden or destroyed.
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 ||
    die "cannot configure the Wine prefix"
  # A URL the program opens (ShellExecute, then winebrowser) goes to the tests' own browser, which
  # signs in to the test OAuth provider, never to a browser of the machine.
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ \
    /d "\"$ROOT/scripts/lib/test-browser\"" /f >/dev/null 2>&1 || die "cannot configure the Wine prefix"
  if [ "$dpi" != 96 ]; then
    WINEPREFIX=$prefix wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
      die "cannot configure the Wine prefix"
  fi
  WINEPREFIX=$prefix wineserver -w
  touch "$prefix/$PREFIX_MARKER"
}

# stop_recorded PIDFILE: ends the process whose pid PIDFILE holds (a test server), waits up to 5 s for
# its end and removes the file; nothing to do without the file.
stop_recorded() {
  local pid
  pid=$(cat "$1" 2>/dev/null) || return 0
  kill "$pid" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  rm -f "$1"
}

stop_wine() {
  local prefix
  for prefix in "$WINEPREFIX" "${PREFIX_DPIS[@]/#/$WINEPREFIX-dpi}"; do
    [ -d "$prefix" ] || continue
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    WINEPREFIX=$prefix wineserver -w 2>/dev/null
  done
  return 0
}
