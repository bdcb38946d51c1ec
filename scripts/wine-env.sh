# shellcheck shell=bash
# Wine environment for running Tastora on Linux. Source it:
#   source scripts/wine-env.sh
#   ensure_display; ensure_wine_prefix; set_decimal_separator ,
# Exports WINEPREFIX (build/wine, or $TASTORA_WINEPREFIX when set), WINEARCH,
# WINEDEBUG and WINEDLLOVERRIDES, and defines:
#   ensure_wine_prefix      create the 32-bit prefix on first use (no dialogs)
#   ensure_display          use $DISPLAY when it answers, else start an Xvfb
#                           (stopped when the calling shell exits)
#   set_decimal_separator , | .
#                           the user's decimal separator in Wine's regional settings
#   tastora_at_exit CMD...  run CMD when the calling shell exits (one EXIT trap
#                           holds all of them)

TASTORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export TASTORA_ROOT
export WINEPREFIX="${TASTORA_WINEPREFIX:-$TASTORA_ROOT/build/wine}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

TASTORA_EXIT_HANDLERS=()

_tastora_run_exit_handlers() {
  local i
  for ((i = ${#TASTORA_EXIT_HANDLERS[@]} - 1; i >= 0; i--)); do
    eval "${TASTORA_EXIT_HANDLERS[i]}" || true
  done
  TASTORA_EXIT_HANDLERS=()
}

tastora_at_exit() {
  TASTORA_EXIT_HANDLERS+=("$*")
  trap _tastora_run_exit_handlers EXIT
  # Interrupted or killed callers exit through the EXIT trap too.
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

ensure_wine_prefix() {
  if [[ -f "$WINEPREFIX/system.reg" && -f "$WINEPREFIX/user.reg" ]]; then
    return 0
  fi
  echo "wine: creating the prefix ${WINEPREFIX} (once)" >&2
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1 || {
    echo "wine: wineboot -i failed for $WINEPREFIX" >&2
    return 1
  }
  wineserver -w
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "wine: the prefix $WINEPREFIX was not created" >&2
    return 1
  fi
}

_tastora_display_answers() {
  [[ -n "${1:-}" ]] && timeout 5 xdpyinfo -display "$1" >/dev/null 2>&1
}

ensure_display() {
  if _tastora_display_answers "${DISPLAY:-}"; then
    echo "display: using $DISPLAY" >&2
    return 0
  fi
  local n
  for ((n = 90; n < 200; n++)); do
    [[ -e "/tmp/.X${n}-lock" || -e "/tmp/.X11-unix/X${n}" ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    local pid=$!
    local tries
    for ((tries = 0; tries < 100; tries++)); do
      if _tastora_display_answers ":$n"; then
        export DISPLAY=":$n"
        # shellcheck disable=SC2034  # read by the scripts that source this file
        TASTORA_XVFB_PID=$pid
        # At exit: let Wine's own processes on this display end first (a few
        # seconds after the last program), then stop the server.
        tastora_at_exit "timeout 15 wineserver -w 2>/dev/null; kill $pid 2>/dev/null; wait $pid 2>/dev/null"
        echo "display: no display available, started Xvfb on $DISPLAY (1280x1024x24)" >&2
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo "display: could not start Xvfb" >&2
  return 1
}

set_decimal_separator() {
  case "${1:-}" in
    , | .) ;;
    *)
      echo "set_decimal_separator: expected , or . (got '${1:-}')" >&2
      return 2
      ;;
  esac
  wine reg add 'HKCU\Control Panel\International' /v sDecimal /t REG_SZ /d "$1" /f >/dev/null 2>&1
}
