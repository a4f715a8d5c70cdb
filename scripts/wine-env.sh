# Sourced by the scripts that run Windows programs: a Wine prefix inside the
# build tree (never ~/.wine), no debug noise, no Mono or Gecko install prompts.
QUILLON_ROOT="${QUILLON_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${WINEPREFIX:-$QUILLON_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64

# Creates the prefix once; later calls return at once.
quillon_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wine wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  quillon_wine_fonts
}

# Wine draws a character its interface font (Tahoma) lacks with the fonts
# linked behind it, a list of Windows' own font files that Wine rewrites at
# every start. The system's WenQuanYi Micro Hei (CJK) and Symbola (symbols)
# stand in for two of them under their file and face names, so that text of
# every script shows. Once per prefix.
quillon_wine_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  local wqy=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
  local symbols=/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf
  [ -d "$fonts" ] && [ ! -f "$fonts/simsun.ttc" ] && [ -f "$wqy" ] || return 0
  local replacements='HKCU\Software\Wine\Fonts\Replacements'
  cp "$wqy" "$fonts/simsun.ttc"
  wine reg add "$replacements" /v SimSun /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1 || true
  if [ -f "$symbols" ]; then
    cp "$symbols" "$fonts/seguisym.ttf"
    wine reg add "$replacements" /v "Segoe UI Symbol" /d Symbola /f >/dev/null 2>&1 || true
  fi
}

# Starts Xvfb on a free display when there is none; sets DISPLAY.
quillon_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QUILLON_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  done
  echo "could not start Xvfb" >&2
  return 1
}
