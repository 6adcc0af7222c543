#!/bin/sh
# Runs a 32-bit Windows program under Wine on machines whose kernel cannot
# execute 32-bit x86 code: the 32-bit Wine loader runs under qemu-i386 user
# emulation (registered through binfmt_misc when missing) with the mmap shim
# preloaded into the emulated process only, in a 64-bit prefix so that Wine's
# own services run natively. The prefix is created on first use.
#
#   run-wine.sh PREFIX SHIM.so [--x11] PROGRAM.exe [ARGS...]
#
# --x11 runs the program on a fresh virtual X server (xvfb-run); the shell
# commands in VELMORA_WINE_X11_INPUT, when set, run on that display once the
# program has been started (to press keys or click with xdotool). The exit
# code is the program's; 124 when it ran longer than VELMORA_WINE_TIMEOUT
# seconds (default 300).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 3 ]; then
  echo "usage: run-wine.sh PREFIX SHIM.so [--x11] PROGRAM.exe [ARGS...]" >&2
  exit 2
fi
prefix=$1
shim=$2
shift 2
x11=0
if [ "$1" = "--x11" ]; then
  x11=1
  shift
fi

"$here/enable-i386-binfmt.sh"

export WINEPREFIX="$prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree=d;mshtml=d'
export QEMU_SET_ENV="LD_PRELOAD=$shim"
# Console runs need no display; a stray DISPLAY would only slow Wine down.
[ "$x11" = 1 ] || unset DISPLAY

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    rm -rf "$prefix"
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
    if [ ! -f "$prefix/system.reg" ]; then
      echo "run-wine.sh: creating the Wine prefix $prefix failed" >&2
      exit 3
    fi
  fi
) 9>"$prefix.lock"

limit=${VELMORA_WINE_TIMEOUT:-300}
# Runs on a display go one at a time: xvfb-run -a may hand two runs started
# together the same display number.
if [ "$x11" = 1 ]; then
  if [ -n "${VELMORA_WINE_X11_INPUT:-}" ]; then
    exec flock "$prefix.x11.lock" timeout "$limit" xvfb-run -a -s "-screen 0 640x480x24" \
      sh -c 'wine "$@" & pid=$!; sh -c "$VELMORA_WINE_X11_INPUT"; wait $pid' sh "$@"
  fi
  exec flock "$prefix.x11.lock" timeout "$limit" xvfb-run -a -s "-screen 0 640x480x24" wine "$@"
fi
exec timeout "$limit" wine "$@"
