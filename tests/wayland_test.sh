#!/usr/bin/env bash
# Runs the viewer natively on Wayland, in a headless Weston of its own (the
# GL renderer, a socket and a runtime folder of its own, no X server to fall
# back on), and stops that Weston afterwards, however the run ends.
#
#   wayland_test.sh TEST [ARGUMENTS...]
#       runs the window test TEST inside the compositor on Qt's wayland
#       platform; exits with its status, or 77 (skipped) where weston or
#       Qt's wayland platform is missing.
#   wayland_test.sh --screenshot FILE VIEWER MODEL
#       starts the viewer VIEWER on MODEL inside the compositor and saves
#       the compositor's whole screen, as weston-screenshooter takes it, as
#       the PNG file FILE.
set -euo pipefail

skip() {
    echo "wayland_test: skipped: $*"
    exit 77
}

screenshot=""
if [ "${1:-}" = --screenshot ]; then
    [ $# -eq 4 ] || { echo "usage: $0 --screenshot FILE VIEWER MODEL" >&2; exit 2; }
    screenshot=$2 viewer=$3 model=$4
    command -v weston-screenshooter >/dev/null || { echo "wayland_test: no weston-screenshooter" >&2; exit 1; }
else
    [ $# -ge 1 ] || { echo "usage: $0 TEST [ARGUMENTS...] | --screenshot FILE VIEWER MODEL" >&2; exit 2; }
fi
command -v weston >/dev/null || skip "no weston on PATH"
if [ -z "$screenshot" ]; then
    status=0
    "$1" --wayland-platform-installed || status=$?
    [ $status -eq 77 ] && skip "Qt has no wayland platform plugin"
    [ $status -eq 0 ] || exit "$status"
fi

# Everything the compositor and the programs in it could write stays here:
# the runtime folder with the socket, and a home and configuration of their own.
work=$(mktemp -d)
weston_pid=""
stop() {
    if [ -n "$weston_pid" ]; then
        kill "$weston_pid" 2>/dev/null || true
        wait "$weston_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT TERM
mkdir -m 700 "$work/runtime"
mkdir "$work/home" "$work/config" "$work/cache" "$work/data"
socket=korvex-wayland-$$
unset DISPLAY
# The driver's shader cache writes from a thread of its own that may still
# be busy as the program ends, where the leak check would stop it.
export MESA_SHADER_CACHE_DISABLE=true
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
       XDG_DATA_HOME=$work/data
# The screenshooter answers only where the debugging protocol is on.
debug=()
[ -z "$screenshot" ] || debug=(--debug)
weston --backend=headless-backend.so --use-gl --socket="$socket" --width=1024 --height=768 --idle-time=0 \
    --no-config "${debug[@]}" >"$work/weston.log" 2>&1 &
weston_pid=$!

weston_failed() {
    echo "wayland_test: $*; weston's log:" >&2
    cat "$work/weston.log" >&2
    exit 1
}
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
    kill -0 "$weston_pid" 2>/dev/null || weston_failed "weston stopped"
    sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || weston_failed "weston made no socket in 10 s"

export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland
if [ -z "$screenshot" ]; then
    status=0
    "$@" || status=$?
    kill -0 "$weston_pid" 2>/dev/null || weston_failed "weston stopped during the test"
    if [ $status -ne 0 ]; then
        echo "wayland_test: the end of weston's log:" >&2
        tail -n 20 "$work/weston.log" >&2
    fi
    exit "$status"
fi

"$viewer" "$model" >"$work/viewer.log" 2>&1 &
viewer_pid=$!
# Time to open the model and draw it (on a software renderer).
sleep 4
kill -0 "$viewer_pid" 2>/dev/null || { cat "$work/viewer.log" >&2; weston_failed "the viewer stopped"; }
mkdir "$work/shot"
(cd "$work/shot" && weston-screenshooter) || weston_failed "weston-screenshooter failed"
kill "$viewer_pid"
wait "$viewer_pid" 2>/dev/null || true
echo "The viewer said:"
cat "$work/viewer.log"
shots=("$work"/shot/*.png)
[ -f "${shots[0]}" ] || weston_failed "weston-screenshooter saved no picture"
cp "${shots[0]}" "$screenshot"
echo "Saved $screenshot"
