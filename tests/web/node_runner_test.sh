#!/bin/sh
# What the node runner does itself, beyond the end-to-end suite: the live
# screen on a terminal, a stop signal while a question waits, the lock of a
# run that is gone, symbolic and hard links as the native program has them.
#
# Usage: node_runner_test.sh TUNEWERK_NODE
set -u
runner=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
example=$here/../../examples/drive-c
expected=$here/../e2e/expected/example-sorted
. "$here/../support/checks.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
drive=$scratch/drive


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
wait_for_file "$drive/.tunewerk-lock" 10
sleep 0.5
kill -TERM "$run"
wait "$run"
status=$?
exec 3>&-
check "stopped: by SIGTERM" '[ "$status" -eq 143 ]'
check "stopped: drive unchanged" '[ "$before" = "$(drive_state)" ]'

# A lock left by a process that no longer runs is taken over; anything else
# at the lock's name ends the run at once with one line, nothing touched,
# here or where a link leads.
# name | setup (run in the drive) | status | stderr line after "tunewerk: "
sh -c 'exit 0' &
gone=$!
wait "$gone"
stale=$(printf 'tunewerk lock 1\nkind posix\nhost %s\npid %s\nnonce 0123456789abcdef' "$(hostname)" "$gone")
printf 'outside\n' >"$scratch/outside.txt"
while IFS='|' read -r name setup want line; do
  load_example
  (cd "$drive" && eval "$setup")
  before=$(drive_state)
  printf 'y\nn\n\ny\n' | (cd "$drive" && timeout -k 10 60 "$runner") >/dev/null 2>"$scratch/stderr.txt"
  status=$?
  check "lock $name: exit status" '[ "$status" -eq "$want" ]'
  if [ "$want" -eq 0 ]; then
    check "lock $name: outputs" outputs_equal_expected
    check "lock $name: removed" '[ ! -e "$drive/.tunewerk-lock" ] && [ ! -s "$scratch/stderr.txt" ]'
  else
    check "lock $name: line" '[ "$(cat "$scratch/stderr.txt")" = "tunewerk: $line" ]'
    check "lock $name: nothing changed" '[ "$before" = "$(drive_state)" ] && [ "$(cat "$scratch/outside.txt")" = outside ]'
  fi
done <<EOF
gone|printf '%s\n' "\$stale" >.tunewerk-lock|0|
FIFO|mkfifo .tunewerk-lock|1|cannot lock this folder: .tunewerk-lock: it is not a plain file; tunewerk locks the folder with a plain file of that name
link to a device|ln -s /dev/zero .tunewerk-lock|1|cannot lock this folder: .tunewerk-lock: it is a symbolic link; tunewerk locks the folder with a plain file of that name
link out of the folder|ln -s ../outside.txt .tunewerk-lock|1|cannot lock this folder: .tunewerk-lock: it is a symbolic link; tunewerk locks the folder with a plain file of that name
directory|mkdir .tunewerk-lock|1|cannot lock this folder: .tunewerk-lock: it is a directory; tunewerk locks the folder with a plain file of that name
empty (its writer killed)|: >.tunewerk-lock|0|
another host|printf 'tunewerk lock 1\nkind posix\nhost web\npid 1\nnonce 0123456789abcdef\n' >.tunewerk-lock|1|the folder is locked by process 1 (posix) on web, which this run cannot ask; if no run uses the folder, remove .tunewerk-lock
EOF

# Symbolic links mean what they mean to the native program: inputs read
# through them, a folder or a list reached through one, an output that is
# one refused with its target as stored.
# name | setup (run in $scratch) | arguments (run in $scratch) | status | stderr holds
while IFS='|' read -r name setup args want line; do
  load_example
  rm -rf "$scratch/via" "$scratch/elsewhere"
  (cd "$scratch" && eval "$setup")
  printf 'y\nn\n\ny\n' | (cd "$scratch" && eval "\"\$runner\" $args") >"$scratch/listed" 2>"$scratch/stderr.txt"
  status=$?
  check "link $name: exit status" '[ "$status" -eq "$want" ]'
  check "link $name: line" 'if [ -z "$line" ]; then [ ! -s "$scratch/stderr.txt" ]; else grep -qF -e "$line" "$scratch/stderr.txt"; fi'
  [ "$want" -eq 0 ] && case $args in
    *--list*) check "link $name: listing" '[ -s "$scratch/listed" ] && (cd "$drive" && "$runner" --list 3ci.drc) | cmp -s - "$scratch/listed"' ;;
    *) check "link $name: outputs" outputs_equal_expected ;;
  esac
done <<'EOF'
user.sdx|mkdir elsewhere && mv drive/user.sdx elsewhere/ && ln -s ../elsewhere/user.sdx drive/user.sdx|-C drive|0|
3ci.drc absolute|mkdir elsewhere && mv drive/3ci.drc elsewhere/ && ln -s "$scratch/elsewhere/3ci.drc" drive/3ci.drc|-C drive|0|
folder|ln -s drive via|-C via|0|
list|ln -s drive via|--list via/3ci.drc|0|
output|mkdir elsewhere && : >elsewhere/old.drc && ln -s ../elsewhere/old.drc drive/user.drc|-C drive|1|user.drc: it is a symbolic link to ../elsewhere/old.drc;
EOF

# A reader during 20 replacements always finds a whole user.drc (the old
# outputs are linked aside, not moved).
load_example
(cd "$drive" && "$runner" --batch >/dev/null 2>&1)
sum_a=$(cksum <"$drive/user.drc")
(cd "$drive" && "$runner" --batch --scrambled --feeds >/dev/null 2>&1)
sum_b=$(cksum <"$drive/user.drc")
(cd "$drive" && while [ ! -e "$scratch/stop" ]; do { cksum <user.drc; } 2>&1; done >"$scratch/reads.txt") &
reader=$!
round=0
while [ $round -lt 10 ]; do
  (cd "$drive" && "$runner" --batch >/dev/null 2>&1 && "$runner" --batch --scrambled --feeds >/dev/null 2>&1)
  round=$((round + 1))
done
touch "$scratch/stop"
wait "$reader"
reads=$(wc -l <"$scratch/reads.txt")
bad=$(grep -c -v -x -e "$sum_a" -e "$sum_b" "$scratch/reads.txt")
echo "reader: $reads reads during 20 replacements, $bad not a whole user.drc"
check "reader: a whole user.drc" '[ "$sum_a" != "$sum_b" ] && [ "$bad" -eq 0 ] && [ "$reads" -ge 20 ]'

tally "node runner"
