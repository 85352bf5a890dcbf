# Shared by scripts/build, scripts/test and scripts/demo: the machine's
# prerequisites, the unprivileged user that runs Wine, the build tree's own
# Wine prefix, its wineserver and a virtual display.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
# The product is the 32-bit build; where the kernel cannot run 32-bit code
# (no IA-32 emulation), the tests run a 64-bit build of the same sources.
PRODUCT_TREE="$BUILD_DIR/i686"
WINE_USER="${WINE_USER:-setupwine}"
export WINEDEBUG="${WINEDEBUG:--all}"

# Locales the tests run processes under (Wine takes its system locale from them).
TEST_LOCALES=(en_US en_GB it_IT de_DE es_ES fr_FR nl_NL)

say() { printf '%s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }
is_root() { [ "$(id -u)" -eq 0 ]; }

# Debian packages each command needs.
BUILD_PACKAGES=(cmake make g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest)
RUN_PACKAGES=(wine wine32:i386 wine64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 xvfb xauth locales)
DEMO_PACKAGES=(x11-apps imagemagick)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || printf '%s\n' "$p"
  done
}

# Installs what is missing when run as root; otherwise names the commands.
ensure_packages() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  [ "${#missing[@]}" -eq 0 ] && return 0
  local need_i386=0 p
  for p in "${missing[@]}"; do [[ "$p" == *:i386 ]] && need_i386=1; done
  if ! is_root; then
    say "Missing packages: ${missing[*]}"
    say "Install them as root with:"
    [ "$need_i386" -eq 1 ] && say "  dpkg --add-architecture i386"
    say "  apt-get update"
    say "  apt-get install -y --no-install-recommends ${missing[*]}"
    exit 1
  fi
  if [ "$need_i386" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  say "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >/dev/null
  apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# Wine handles non-ASCII file names only under a UTF-8 locale, and takes the
# system language from the locale: generate the ones the tests use.
ensure_locales() {
  local have missing=() l
  have="$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')"
  for l in "${TEST_LOCALES[@]}"; do
    grep -qx "$(echo "$l.utf8" | tr '[:upper:]' '[:lower:]')" <<<"$have" || missing+=("$l")
  done
  [ "${#missing[@]}" -eq 0 ] && return 0
  if ! is_root; then
    say "Missing locales: ${missing[*]}. Generate them as root with:"
    for l in "${missing[@]}"; do say "  localedef -i $l -f UTF-8 $l.UTF-8"; done
    exit 1
  fi
  for l in "${missing[@]}"; do localedef -i "$l" -f UTF-8 "$l.UTF-8"; done
}

# Under root, Wine lets a copy overwrite a read-only file, which Windows
# refuses: Wine runs as an ordinary user. Root creates that user and hands it
# the build tree; anyone else runs Wine as themselves.
ensure_wine_user() {
  is_root || return 0
  id -u "$WINE_USER" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$WINE_USER"
  mkdir -p "$BUILD_DIR"
  chown -R "$WINE_USER": "$BUILD_DIR"
  runuser -u "$WINE_USER" -- test -r "$ROOT/CMakeLists.txt" ||
    die "user $WINE_USER cannot read $ROOT; place the checkout where other users can read it"
}

# A checkout the Wine user cannot read (under /root, say) is copied to a
# readable place, and the calling script runs again from there.
# Usage: run_from_readable_copy SCRIPT_NAME "$@"
run_from_readable_copy() {
  local script="$1"; shift
  is_root || return 0
  id -u "$WINE_USER" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$WINE_USER"
  runuser -u "$WINE_USER" -- test -r "$ROOT/CMakeLists.txt" && return 0
  local copy=/var/tmp/setup-launcher
  say "User $WINE_USER cannot read $ROOT: working on a copy in $copy."
  mkdir -p "$copy"
  find "$copy" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
  tar -C "$ROOT" --exclude=./build -cf - . | tar -C "$copy" -xf -
  chmod -R a+rX "$copy"
  exec "$copy/scripts/$script" "$@"
}

# Runs a command as the Wine user (or as the caller when not root).
as_wine_user() {
  if is_root; then
    runuser -u "$WINE_USER" -- env HOME="$(getent passwd "$WINE_USER" | cut -d: -f6)" \
      PATH="$PATH" WINEDEBUG="$WINEDEBUG" "$@"
  else
    "$@"
  fi
}

# i686 when this machine executes 32-bit code (wine32's loader needs it),
# x86_64 otherwise. TEST_ARCH in the environment overrides the choice.
test_arch() {
  if [ -n "${TEST_ARCH:-}" ]; then echo "$TEST_ARCH"
  elif /lib/ld-linux.so.2 --version >/dev/null 2>&1; then echo i686
  else echo x86_64
  fi
}

# configure_and_build ARCH [CMAKE_ARGS...]: builds $BUILD_DIR/ARCH.
configure_and_build() {
  local arch="$1"; shift
  cmake -S "$ROOT" -B "$BUILD_DIR/$arch" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$arch-w64-mingw32.cmake" "$@" >/dev/null
  cmake --build "$BUILD_DIR/$arch" -j "$(nproc)"
}
