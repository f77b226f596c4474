# Shared set-up for running the Windows programs under Wine: one prefix
# outside the sources, Japanese font names mapped, no window manager needed.
# Source it; it defines WINE, WINESERVER and the functions below.

# With the 32-bit Wine beside the 64-bit one, "wine" starts programs of
# either kind; its prefix must be made by it to hold the 32-bit system DLLs.
if [ -x /usr/lib/wine/wine ]; then
  WINE=/usr/lib/wine/wine
  prefix_name=q836-wine-prefix-wow
else
  WINE=/usr/lib/wine/wine64
  prefix_name=q836-wine-prefix
fi
WINESERVER=/usr/lib/wine/wineserver
export LANG=C.UTF-8 WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-${Q836_WINE_PREFIX:-$HOME/.cache/$prefix_name}}

# Creates the prefix once (about 15 s), serialised between parallel callers.
wine_prefix_ready() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.q836-ready" ]; then
      WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i >/dev/null 2>&1
      "$WINESERVER" -w
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
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Starts one Xvfb for the caller unless DISPLAY already points at one.
xvfb_ready() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
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
