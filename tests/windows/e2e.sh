#!/usr/bin/env bash
# showcase.exe end to end under Wine on a private Xvfb: the About box opens
# on the game folder, Return closes it, the main window shows the first
# unit turning, and a close request ends the viewer with status 1. The
# screenshots stay in WINDOWS_BUILD_DIR/e2e/ for a look.
#   tests/windows/e2e.sh WINDOWS_BUILD_DIR GAME_DIR
# Wine's environment (WINEPREFIX and the like) comes from the caller.
set -euo pipefail
win="$(cd "$1" && pwd)"
game="$(cd "$2" && pwd)"
out="$win/e2e"
rm -rf "$out"
mkdir -p "$out"

for tool in Xvfb xdotool import compare identify; do
  if ! command -v "$tool" >/dev/null; then
    echo "tests/windows/e2e.sh: $tool missing: the end-to-end check is skipped" >&2
    exit 0
  fi
done

server="" viewer=""
cleanup() {
  if [ -n "$viewer" ] && kill -0 "$viewer" 2>/dev/null; then kill "$viewer" 2>/dev/null || true; fi
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
}
trap cleanup EXIT
fail() {
  echo "tests/windows/e2e.sh: $*" >&2
  echo "tests/windows/e2e.sh: the viewer's output is in $out/showcase.log" >&2
  exit 1
}
# Polls until the command succeeds; a generous deadline for a loaded machine.
wait_for() {  # what, seconds, command...
  local what="$1" deadline=$((SECONDS + $2))
  shift 2
  until "$@"; do
    if [ -n "$viewer" ] && ! kill -0 "$viewer" 2>/dev/null; then fail "the viewer ended while waiting for $what"; fi
    ((SECONDS < deadline)) || fail "no $what within the deadline"
    sleep 0.2
  done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
server=$!
have_display() { [ -s "$out/display" ]; }
wait_for "X server" 30 have_display
export DISPLAY=":$(head -n1 "$out/display")"

(cd "$game" && exec wine "$win/app/window/showcase.exe") >"$out/showcase.log" 2>&1 &
viewer=$!

# The visible top-level window with exactly this title, in $found.
found=""
visible() { found="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)"; [ -n "$found" ]; }
# A capture of the window (or root) with at least this many colours: painted.
painted() {  # window, file, colours
  import -window "$1" "$2" 2>/dev/null && [ "$(identify -format %k "$2")" -ge "$3" ]
}
# At least this many pixels differ between the two captures.
differ() {  # first, second, pixels
  local count
  count="$(compare -metric AE "$1" "$2" null: 2>&1 || true)"
  [[ "$count" =~ ^[0-9]+$ ]] && ((count >= $3))
}

wait_for "About box" 180 visible "About Showcase"
about="$found"
wait_for "painted About box" 60 painted "$about" "$out/about-box.png" 20
import -window root "$out/about.png"

# Return again every few seconds in case a press came before the box had
# the keyboard; a late one reaches the main panel, which ignores it.
pressed=$((SECONDS - 5))
closed_on_return() {
  visible "About Showcase" || return 0
  if ((SECONDS >= pressed + 5)); then
    xdotool windowfocus "$about" 2>/dev/null || true
    xdotool key Return
    pressed=$SECONDS
  fi
  return 1
}
wait_for "About box closing on Return" 60 closed_on_return
wait_for "main window" 60 visible "Varnholt Showcase"
main="$found"
# The view's palette shades take the capture well past the dialog's colours.
wait_for "drawn view" 60 painted "$main" "$out/view-1.png" 80
turned() { import -window "$main" "$out/view-2.png" 2>/dev/null && differ "$out/view-1.png" "$out/view-2.png" 500; }
wait_for "turning unit" 60 turned

wine "$win/tests/close_viewer.exe" || fail "close_viewer.exe found no main window"
ended() { ! kill -0 "$viewer" 2>/dev/null; }
deadline=$((SECONDS + 60))
until ended; do
  ((SECONDS < deadline)) || fail "the viewer did not end after the close request"
  sleep 0.2
done
status=0
wait "$viewer" || status=$?
viewer=""
[ "$status" = 1 ] || fail "the viewer ended with status $status, not 1"
rm -f "$out/display" "$out/about-box.png"
echo "tests/windows/e2e.sh: screenshots $out/about.png $out/view-1.png $out/view-2.png"
