#!/usr/bin/env bash
# Runs a program on a private virtual X display: starts Xvfb on a free display number, gives its
# root window a work area that leaves a 40-pixel panel along the bottom (as a desktop's task bar
# would), runs the program with DISPLAY set, and stops Xvfb again.
# Exit status: the program's; 77 (skipped) when Xvfb is missing, except under CI, where that fails.
# Usage: run-under-xvfb.sh program [args...]
set -u
width=1024 height=768 panel=40

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "run-under-xvfb: Xvfb is not installed" >&2
  [[ -n "${CI:-}" ]] && exit 1
  exit 77
fi

tmp=$(mktemp -d)
# Xvfb picks the display number itself and writes it to fd 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
cleanup() {
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

for _ in $(seq 1 100); do
  [[ -s "$tmp/display" ]] && break
  if ! kill -0 "$xvfb" 2>/dev/null; then
    echo "run-under-xvfb: Xvfb did not start:" >&2
    cat "$tmp/xvfb.log" >&2
    exit 1
  fi
  sleep 0.1
done
if [[ ! -s "$tmp/display" ]]; then
  echo "run-under-xvfb: Xvfb did not report a display within 10 s" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$tmp/display")"

if command -v xprop >/dev/null 2>&1; then
  xprop -root -f _NET_WORKAREA 32cccc -set _NET_WORKAREA "0, 0, $width, $((height - panel))"
fi

"$@"
