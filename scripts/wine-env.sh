# shellcheck shell=bash
# Wine environment for running Tastora on Linux. Source it:
#   source scripts/wine-env.sh
#   ensure_display; ensure_wine_prefix; set_decimal_separator ,
# Exports WINEPREFIX (build/wine, or $TASTORA_WINEPREFIX when set), WINEARCH,
# WINEDEBUG and WINEDLLOVERRIDES, and defines:
#   ensure_wine_prefix      create the 32-bit prefix on first use (no dialogs) and
#                           give it Wine's own fonts (every call; cheap once done)
#   ensure_display          use $DISPLAY when it answers, else start an Xvfb
#                           (stopped when the calling shell exits)
#   set_windows_managed yes | no
#                           whether a window manager handles tastora.exe's windows
#                           (no: Wine draws their frames and focus itself)
#   display_has_window_manager
#                           true when a window manager runs on $DISPLAY
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
  if [[ ! -f "$WINEPREFIX/system.reg" || ! -f "$WINEPREFIX/user.reg" ]]; then
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
  fi
  install_wine_fonts
}

# Where this Wine keeps its own fonts (Debian: the fonts-wine package).
_tastora_wine_font_dir() {
  local wine_bin d
  wine_bin=$(command -v wine 2>/dev/null || true)
  for d in /usr/share/wine/fonts /usr/share/fonts/wine /usr/lib/wine/fonts \
    ${wine_bin:+"$(dirname "$wine_bin")/../share/wine/fonts"} /opt/wine*/share/wine/fonts; do
    if [[ -f "$d/marlett.ttf" ]]; then
      echo "$d"
      return 0
    fi
  done
  return 1
}

# True when the registry file $1 holds the line $3 in the section $2 (the section as the
# file writes it, backslashes doubled).
_tastora_reg_has() {
  [[ -f "$1" ]] || return 1
  awk -v section="[$2]" -v line="$3" '
    index($0, "[") == 1 { inside = (index($0, section) == 1) ; next }
    inside && $0 == line { found = 1; exit }
    END { exit !found }' "$1"
}

# Debian's Wine does not find its own fonts from a fresh prefix: without them the title-bar
# buttons show letters ("r", "0", "1" instead of Marlett's glyphs) and MS Sans Serif and
# Tahoma fall back to wider fonts. They are copied into the prefix's Fonts folder, where
# Wine loads them from. Wine loads bitmap fonts (MS Sans Serif is one) only when they are
# registered, and registers the MS Sans Serif of the locale's code page alone; the Cyrillic
# one is registered as well, so that the Russian texts keep MS Sans Serif under any locale.
install_wine_fonts() {
  local src dest f
  src=$(_tastora_wine_font_dir) || {
    echo "wine: Wine's own fonts were not found (Debian: apt-get install fonts-wine); the windows use other fonts" >&2
    return 0
  }
  dest="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$dest"
  for f in "$src"/*; do
    [[ -f "$f" && ! -e "$dest/${f##*/}" ]] || continue
    cp "$f" "$dest/" || echo "wine: could not copy $f into $dest" >&2
  done
  if [[ -f "$dest/sserifer.fon" ]] &&
    ! _tastora_reg_has "$WINEPREFIX/system.reg" 'Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts' \
      '"MS Sans Serif Cyrillic"="sserifer.fon"'; then
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'MS Sans Serif Cyrillic' \
      /t REG_SZ /d sserifer.fon /f >/dev/null 2>&1 ||
      echo "wine: could not register the Cyrillic MS Sans Serif in $WINEPREFIX" >&2
  fi
  # Without Arial (or its metric twin Liberation Sans) Wine draws Arial texts, the clock and
  # the error count of the exercise window among them, in DejaVu Sans, which is much wider;
  # its condensed cut comes close to Arial's widths. (Wine's own Tahoma has no real bold.)
  if command -v fc-list >/dev/null 2>&1 &&
    [[ -z "$(fc-list 'Arial' family 2>/dev/null)$(fc-list 'Liberation Sans' family 2>/dev/null)" ]] &&
    [[ -n "$(fc-list 'DejaVu Sans Condensed' family 2>/dev/null)" ]] &&
    ! _tastora_reg_has "$WINEPREFIX/user.reg" 'Software\\\\Wine\\\\Fonts\\\\Replacements' \
      '"Arial"="DejaVu Sans Condensed"'; then
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'DejaVu Sans Condensed' /f \
      >/dev/null 2>&1 || echo "wine: could not set a replacement for the missing Arial in $WINEPREFIX" >&2
  fi
  return 0
}

# Without a window manager (a bare Xvfb) a managed window has no frame at all, and hiding
# one waits for a window manager that never answers; unmanaged windows get their frames,
# title bars and keyboard focus from Wine itself. With a window manager the default
# (managed) is kept.
set_windows_managed() {
  local key='HKCU\Software\Wine\AppDefaults\tastora.exe\X11 Driver'
  local section='Software\\\\Wine\\\\AppDefaults\\\\tastora.exe\\\\X11 Driver'
  local value
  case "${1:-}" in
    no)
      for value in Managed Decorated; do
        _tastora_reg_has "$WINEPREFIX/user.reg" "$section" "\"$value\"=\"N\"" && continue
        wine reg add "$key" /v "$value" /t REG_SZ /d N /f >/dev/null 2>&1 || {
          echo "wine: could not set $value=N for tastora.exe" >&2
          return 1
        }
      done
      ;;
    yes)
      if _tastora_reg_has "$WINEPREFIX/user.reg" "$section" '"Managed"="N"'; then
        wine reg delete "$key" /v Managed /f >/dev/null 2>&1 || true
      fi
      ;;
    *)
      echo "set_windows_managed: expected yes or no (got '${1:-}')" >&2
      return 2
      ;;
  esac
}

display_has_window_manager() {
  # An Xvfb of our own never has one; otherwise ask for the EWMH check window.
  [[ -z "${TASTORA_XVFB_PID:-}" ]] || return 1
  command -v xprop >/dev/null 2>&1 || return 0  # cannot tell: assume the usual desktop
  timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
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
