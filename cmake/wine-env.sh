# Wine and X helpers, sourced by ./test, ./run and cmake/wine-run.sh. Defines functions only.
#
# One Wine prefix per build folder, made once and reused: a fresh prefix costs 6-8 s and about 700 MB.
# A session keeps one wineserver alive (-p) for its whole length, so each Windows test costs ~0.1 s instead
# of the 3-5 s that CTest would otherwise wait on pipes held open by Wine's background processes.

wine_env_defaults() {
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko prompts: nothing here needs .NET or the HTML engine.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  export WINEARCH=win64
}

# Settings every test prefix gets; bump the version when they change so existing prefixes are updated.
WINE_PREFIX_SETTINGS_VERSION=3
wine_configure_prefix() {
  local prefix=$1
  # A crashing test must fail at once with a backtrace, not wait behind a dialog nobody will close.
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  # One virtual desktop the size of the X screen: Wine draws the window frames itself, as Windows does,
  # and every program of the prefix (the one under test and the driver) shares one desktop.
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
  # Wine's own fonts (Marlett draws the caption buttons) are not found from Debian's data folder; give
  # them to the prefix. The common Windows faces are stood in for by their metric twins, so layouts
  # measured in screenshots match what the programs would show on Windows.
  local f
  for f in /usr/share/wine/fonts/*; do
    [ -e "$f" ] && ln -sf "$f" "$prefix/drive_c/windows/Fonts/"
  done
  local face twin
  for face in "Times New Roman=Liberation Serif" "Arial=Liberation Sans" "Courier New=Liberation Mono"; do
    twin=${face#*=}
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${face%%=*}" /d "$twin" /f
  done
}

# wine_ensure_prefix DIR: make the prefix once (guarded by a lock, as CTest runs tests in parallel).
wine_ensure_prefix() {
  local prefix=$1
  [ "$(cat "$prefix/.ready" 2>/dev/null)" = "$WINE_PREFIX_SETTINGS_VERSION" ] && return 0
  mkdir -p "$(dirname "$prefix")"
  (
    flock 8
    [ "$(cat "$prefix/.ready" 2>/dev/null)" = "$WINE_PREFIX_SETTINGS_VERSION" ] && exit 0
    if [ ! -e "$prefix/system.reg" ]; then
      rm -rf "$prefix"
      WINEPREFIX=$prefix wineboot --init >/dev/null 2>&1 || true
    fi
    wine_configure_prefix "$prefix" >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
    [ -e "$prefix/system.reg" ] || { echo "wine-env: could not make the Wine prefix $prefix" >&2; exit 1; }
    echo "$WINE_PREFIX_SETTINGS_VERSION" >"$prefix/.ready"
  ) 8>"$prefix.lock"
}

# xvfb_start: give this shell a private X display unless it has one; sets XVFB_PID when it started one.
XVFB_PID=
xvfb_start() {
  [ -n "${DISPLAY:-}" ] && return 0
  local f
  f=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$f" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 1 200); do
    [ -s "$f" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  if [ ! -s "$f" ]; then
    rm -f "$f"
    echo "wine-env: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$f")"
  rm -f "$f"
}

xvfb_stop() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}

# wine_session_start PREFIX: display, prefix, a persistent wineserver and a warmed-up Wine.
wine_session_start() {
  wine_env_defaults
  export WINEPREFIX=$1
  xvfb_start
  wine_ensure_prefix "$WINEPREFIX"
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1 || true
}

# wine_session_stop: end every Wine process of the prefix, then the display this shell started.
wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  xvfb_stop
}
