# Shared set-up for running the Windows programs under Wine: one prefix
# outside the sources, Japanese font names mapped, no window manager needed.
# Source it; it defines WINE, WINESERVER and the functions below.

# 32-bit programs run only where the kernel executes i386 code; on some
# machines its 32-bit emulation is off, and the i386 loader that wine32
# installs fails with "Exec format error" although it is there. So the loader
# is chosen by running it, not by finding it. Q836_NO_32BIT=1 makes the probe
# answer "cannot" on any machine, to exercise that path; Q836_WINE32_LOADER
# names another loader to probe (the probe's own test).
WINE32_LOADER=${Q836_WINE32_LOADER:-/usr/lib/wine/wine}

# True when 32-bit programs run here. Otherwise false, with WINE32_CAUSE the
# reason and WINE32_SKIP=1 when that reason is the machine's (the 32-bit tests
# are then skipped) rather than a broken or missing installation (they fail).
wine32_probe() {
  WINE32_CAUSE="" WINE32_SKIP=""
  if [ -n "${Q836_NO_32BIT:-}" ]; then
    WINE32_CAUSE="Q836_NO_32BIT is set" WINE32_SKIP=1
    return 1
  fi
  if [ ! -e "$WINE32_LOADER" ]; then
    WINE32_CAUSE="$WINE32_LOADER is missing: install wine32:i386 (scripts/test-all does)"
    return 1
  fi
  local out
  out=$("$WINE32_LOADER" --version 2>&1) && return 0
  case $out in
    *"Exec format error"*) WINE32_CAUSE="the kernel's 32-bit emulation is off" WINE32_SKIP=1 ;;
    *) WINE32_CAUSE="$WINE32_LOADER --version failed: $out" ;;
  esac
  return 1
}

# Where 32-bit programs run, the i386 loader starts exes of either kind and
# its prefix must be made by it, to hold the 32-bit system DLLs; elsewhere
# the 64-bit loader has a prefix of its own.
if wine32_probe; then
  WINE=$WINE32_LOADER
  prefix_name=q836-wine-prefix-wow
else
  WINE=/usr/lib/wine/wine64
  prefix_name=q836-wine-prefix
fi
WINESERVER=/usr/lib/wine/wineserver
export LANG=C.UTF-8 WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-${Q836_WINE_PREFIX:-$HOME/.cache/$prefix_name}}

# The line that says why the 32-bit tests do not run here.
wine32_notice() {
  echo "32-bit programs cannot run on this machine ($WINE32_CAUSE): the 32-bit tests are skipped"
}

# True when EXE is a 32-bit (i386) Windows program: its PE header's machine.
pe_is_32bit() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 1
  [ -n "$header" ] && [ "$(od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' ')" = 014c ]
}

# Ends the calling test when EXE cannot run here: with status 77 (CTest's
# skip) and the notice where the machine cannot run 32-bit programs, with
# status 1 and the cause where the installation is at fault.
exit_unless_runnable() {
  pe_is_32bit "$1" || return 0
  [ "$WINE" = "$WINE32_LOADER" ] && return 0
  if [ -n "$WINE32_SKIP" ]; then
    wine32_notice
    exit 77
  fi
  echo "cannot run the 32-bit program $1: $WINE32_CAUSE" >&2
  exit 1
}

# Creates the prefix once (about 15 s), serialised between parallel callers.
# A prefix that cannot be made is told with the loader's own words, and the
# caller gets false.
wine_prefix_ready() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$WINEPREFIX/.q836-ready" ] && exit 0
    local log="$WINEPREFIX.log"
    WINEDEBUG=fixme-all WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i >"$log" 2>&1
    "$WINESERVER" -w 2>>"$log"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "the Wine prefix $WINEPREFIX could not be made with $WINE wineboot:" >&2
      tail -n 5 "$log" >&2
      exit 1
    fi
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    local key='HKCU\Software\Wine\Fonts\Replacements'
    for face in 'ＭＳ ゴシック' 'MS Gothic'; do
      "$WINE" reg add "$key" /v "$face" /t REG_SZ /d IPAGothic /f >/dev/null 2>&1
    done
    for face in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic'; do
      "$WINE" reg add "$key" /v "$face" /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
    done
    for face in 'ＭＳ 明朝' 'MS Mincho'; do
      "$WINE" reg add "$key" /v "$face" /t REG_SZ /d IPAMincho /f >/dev/null 2>&1
    done
    "$WINESERVER" -w
    touch "$WINEPREFIX/.q836-ready"
  ) 9>"$WINEPREFIX.lock"
}

# Starts one Xvfb for the caller unless DISPLAY already points at one.
xvfb_ready() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
  done
  echo "no X display could be started" >&2
  return 1
}

xvfb_stop() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  "$WINESERVER" -k 2>/dev/null || true
}

# Sets the DPI that programs started afterwards see (the registry's
# LogPixels; the wine server is restarted for it).
wine_set_dpi() {
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  "$WINESERVER" -k 2>/dev/null
  "$WINESERVER" -w 2>/dev/null
}

# Sets the colour scheme's Window, WindowText, ButtonFace, ButtonText and
# Hilight colours ("R G B" each) for programs started afterwards; without
# arguments, puts back what the prefix had before the first call.
WINE_COLOUR_NAMES=(Window WindowText ButtonFace ButtonText Hilight)
WINE_SAVED_COLOURS=()
wine_set_colours() {
  local key='HKCU\Control Panel\Colors' i
  if [ $# -eq 0 ]; then
    [ ${#WINE_SAVED_COLOURS[@]} -eq 0 ] && return 0
    for i in 0 1 2 3 4; do
      if [ -n "${WINE_SAVED_COLOURS[$i]}" ]; then
        "$WINE" reg add "$key" /v "${WINE_COLOUR_NAMES[$i]}" /t REG_SZ /d "${WINE_SAVED_COLOURS[$i]}" /f >/dev/null 2>&1
      else
        "$WINE" reg delete "$key" /v "${WINE_COLOUR_NAMES[$i]}" /f >/dev/null 2>&1
      fi
    done
    WINE_SAVED_COLOURS=()
  else
    local colours=("$@")
    for i in 0 1 2 3 4; do
      if [ ${#WINE_SAVED_COLOURS[@]} -lt 5 ]; then
        WINE_SAVED_COLOURS+=("$("$WINE" reg query "$key" /v "${WINE_COLOUR_NAMES[$i]}" 2>/dev/null |
          tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p')")
      fi
      "$WINE" reg add "$key" /v "${WINE_COLOUR_NAMES[$i]}" /t REG_SZ /d "${colours[$i]}" /f >/dev/null 2>&1
    done
  fi
  "$WINESERVER" -k 2>/dev/null
  "$WINESERVER" -w 2>/dev/null
}
