#!/bin/sh
# What the node runner does itself, beyond the end-to-end suite: the live
# screen on a terminal, a stop signal while a question waits, and the lock
# of a run that is gone.
#
# Usage: node_runner_test.sh TUNEWERK_NODE
set -u
runner=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
example=$here/../../examples/drive-c
expected=$here/../e2e/expected/example-sorted
failures=0
passes=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
drive=$scratch/drive

fail() {
  echo "FAIL: $1: $2"
  failures=$((failures + 1))
}
pass() { passes=$((passes + 1)); }
check() { if eval "$2"; then pass; else fail "$1" "$2"; fi; }

load_example() {
  rm -rf "$drive"
  mkdir -p "$drive"
  cp "$example/user.sdx" "$example/vaz3er.ini" "$example/3ci.drc" "$drive/"
}
drive_state() { (cd "$drive" && ls -A | sort && cat ./* | cksum); }
outputs_equal_expected() {
  for f in user.drc tunewerk.txt audio.txt video.txt; do
    cmp -s "$drive/$f" "$expected/$f" || return 1
  done
}

# On a terminal: the screen drawn live, autowrap off while it runs, and the
# terminal given back as it was at the end.
load_example
printf 'y\nn\n\ny\n' | (cd "$drive" && script -qec "$runner" /dev/null) >"$scratch/screen.txt"
status=$?
check "terminal: exit status" '[ "$status" -eq 0 ]'
check "terminal: outputs" outputs_equal_expected
check "terminal: entered" 'grep -q "$(printf "\033\\[?7l")" "$scratch/screen.txt"'
check "terminal: banner in colour" 'grep -q "45mTunewerk 1.06" "$scratch/screen.txt"'
check "terminal: restored" 'tail -c 20 "$scratch/screen.txt" | grep -q "$(printf "\033\\[?7h\033\\[?25h")"'

# A stop signal while a question waits ends the run by that signal, with the
# drive as it was and no lock left.
load_example
before=$(drive_state)
mkfifo "$scratch/answers"
(cd "$drive" && exec "$runner" <"$scratch/answers" >/dev/null 2>&1) &
run=$!
exec 3>"$scratch/answers"
tries=0
while [ ! -e "$drive/.tunewerk-lock" ] && [ $tries -lt 100 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
sleep 0.5
kill -TERM "$run"
wait "$run"
status=$?
exec 3>&-
check "stopped: by SIGTERM" '[ "$status" -eq 143 ]'
check "stopped: drive unchanged" '[ "$before" = "$(drive_state)" ]'

# A lock left by another node runner: this runner cannot yet ask whether
# that process runs, so the line says how to clear it and nothing changes.
load_example
printf 'tunewerk lock 1\nkind posix\nhost web\npid 1\nnonce 0123456789abcdef\n' >"$drive/.tunewerk-lock"
before=$(drive_state)
printf 'y\nn\n\ny\n' | (cd "$drive" && "$runner") >/dev/null 2>"$scratch/stderr.txt"
status=$?
check "lock of another runner: exit status" '[ "$status" -eq 1 ]'
check "lock of another runner: line" 'grep -qx "tunewerk: the folder is locked by process 1 (posix) on web, which this run cannot ask; if no run uses the folder, remove .tunewerk-lock" "$scratch/stderr.txt"'
check "lock of another runner: drive unchanged" '[ "$before" = "$(drive_state)" ]'

echo "node runner: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
