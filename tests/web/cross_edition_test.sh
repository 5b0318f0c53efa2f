#!/bin/sh
# The native program and the node runner on one folder: the same line for the
# same fault, one run at a time whichever edition holds the folder, and a
# whole set of outputs after they race.
#
# Usage: cross_edition_test.sh TUNEWERK TUNEWERK_NODE
# Exits 77 (skipped) when the native program has not been built, 1 when
# TUNEWERK_NATIVE_REQUIRED is set (CI builds it first).
set -u
if [ ! -x "$1" ]; then
  echo "no native program at $1"
  [ -n "${TUNEWERK_NATIVE_REQUIRED:-}" ] && exit 1
  exit 77
fi
native=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
runner=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
here=$(cd "$(dirname "$0")" && pwd)
example=$here/../../examples/drive-c
. "$here/../support/checks.sh"
scratch=$(mktemp -d)
holder=
trap '[ -n "$holder" ] && kill "$holder" 2>/dev/null; rm -rf "$scratch"' EXIT
drive=$scratch/drive
locked="the folder is locked by another run or program"


load_example() {
  rm -rf "$drive"
  mkdir -p "$drive"
  cp "$example/user.sdx" "$example/vaz3er.ini" "$example/3ci.drc" "$drive/"
}
output_set() { (cd "$drive" && cat user.drc tunewerk.txt audio.txt video.txt 2>/dev/null | cksum); }
leftovers() { (cd "$drive" && ls -A | grep '^\.tunewerk-'); }

# The same fault gives both editions the same status and line (the system's
# words included), with `tunewerk` for the program's name.
# name | setup (run in the drive) | arguments
while IFS='|' read -r name setup args; do
  for edition in native runner; do
    load_example
    (cd "$drive" && eval "$setup")
    eval "program=\$$edition"
    (cd "$drive" && eval "\"\$program\" --batch $args") >/dev/null 2>"$scratch/$edition.err" </dev/null
    echo "status $?" >>"$scratch/$edition.err"
  done
  check "same line: $name" 'cmp -s "$scratch/native.err" "$scratch/runner.err"'
  cmp -s "$scratch/native.err" "$scratch/runner.err" || diff "$scratch/native.err" "$scratch/runner.err"
done <<'EOF'
input a FIFO|rm user.sdx && mkfifo user.sdx|
input a link loop|rm 3ci.drc && ln -s 3ci.drc 3ci.drc|
input a directory|rm 3ci.drc && mkdir 3ci.drc|
input a link to a device|rm user.sdx && ln -s /dev/zero user.sdx|
drive missing||-C missing
drive a file||-C user.sdx
drive a link loop|ln -s loop loop|-C loop
list a directory|mkdir d|--list d
list a name too long|: >"$(printf '%0255d' 0)"|--list "$(printf '%0256d' 0)"
temporary a directory|mkdir .tunewerk-user.drc.tmp|
EOF

# While one edition waits at a question, the other stops at once; once the
# holder is killed, the other takes its lock over.
for pair in "native runner" "runner native"; do
  set -- $pair
  eval "first=\$$1 second=\$$2"
  load_example
  rm -f "$scratch/answers"
  mkfifo "$scratch/answers"
  (cd "$drive" && exec "$first" <"$scratch/answers" >/dev/null 2>&1) &
  holder=$!
  exec 3>"$scratch/answers"
  wait_for_file "$drive/.tunewerk-lock" 10
  before=$(ls -A "$drive" | sort)
  (cd "$drive" && "$second" --batch) >/dev/null 2>"$scratch/second.err" </dev/null
  status=$?
  check "$1 holds, $2: exit status" '[ "$status" -eq 1 ]'
  check "$1 holds, $2: line" '[ "$(cat "$scratch/second.err")" = "tunewerk: $locked" ]'
  check "$1 holds, $2: nothing written" '[ "$before" = "$(ls -A "$drive" | sort)" ]'
  kill -KILL "$holder"
  wait "$holder"
  holder=
  exec 3>&-
  (cd "$drive" && "$second" --batch) >/dev/null 2>"$scratch/second.err" </dev/null
  status=$?
  check "$1 killed, $2 takes over" '[ "$status" -eq 0 ] && [ ! -s "$scratch/second.err" ] && [ ! -e "$drive/.tunewerk-lock" ]'
done

# 30 rounds of both at once with different answers, the native run started
# 0 to 2.8 s after the runner's so that it meets each step of the other's
# run: each ends with its set or the locked line, and the folder holds one
# whole set and nothing else.
load_example
(cd "$drive" && "$native" --batch >/dev/null 2>&1)
set_a=$(output_set)
(cd "$drive" && "$native" --batch --scrambled --feeds >/dev/null 2>&1)
set_b=$(output_set)
mixed=0
unsound=0
round=0
while [ $round -lt 30 ]; do
  (cd "$drive" && "$runner" --batch --scrambled --feeds >/dev/null 2>"$scratch/runner.err"; echo $? >"$scratch/runner.status") &
  first=$!
  sleep "$((round % 15 / 5)).$((round % 5 * 2))"
  (cd "$drive" && "$native" --batch >/dev/null 2>"$scratch/native.err"; echo $? >"$scratch/native.status")
  wait "$first"
  now=$(output_set)
  [ "$now" = "$set_a" ] || [ "$now" = "$set_b" ] || mixed=$((mixed + 1))
  [ -z "$(leftovers)" ] || { unsound=$((unsound + 1)) && echo "round $round left $(leftovers)"; }
  for edition in native runner; do
    end="$(cat "$scratch/$edition.status") $(cat "$scratch/$edition.err")"
    case $end in
      "0 " | "1 tunewerk: $locked") ;;
      *) unsound=$((unsound + 1)) && echo "round $round, $edition: $end" ;;
    esac
  done
  round=$((round + 1))
done
echo "race: 30 rounds, $mixed mixed sets, $unsound unsound ends"
check "race: one whole set" '[ "$mixed" -eq 0 ]'
check "race: each run ends whole or locked" '[ "$unsound" -eq 0 ]'

tally cross-edition
