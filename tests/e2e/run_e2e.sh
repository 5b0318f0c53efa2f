#!/bin/sh
# End-to-end tests of the real binary on a drive in a temporary directory.
#
# Usage: run_e2e.sh PROGRAM [--update]
#   PROGRAM   the tunewerk binary; a name ending in .exe runs under wine, with
#             drive C at $WINEPREFIX/drive_c (a fresh prefix is made when
#             WINEPREFIX is unset).
#   --update  rewrites the expected files instead of comparing.
# TUNEWERK_E2E_EXPECTED names another directory of expected files.
# A failed run keeps its scratch folder, with each differing file under failed/.
set -u
program=$1
update=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
expected=${TUNEWERK_E2E_EXPECTED:-$here/expected}
example=$here/../../examples/drive-c
. "$here/../support/checks.sh"

scratch=$(mktemp -d)
keep_failed_scratch() {
  if [ "$failures" -eq 0 ]; then
    rm -rf "$scratch"
  else
    echo "e2e: scratch folder kept: $scratch"
  fi
}
trap keep_failed_scratch EXIT

case $program in
*.exe)
  if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$scratch/wineprefix
    export WINEPREFIX
  fi
  # Quiet wine, and no offer to install its .NET and HTML engines.
  WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
  export WINEDEBUG WINEDLLOVERRIDES
  wine=$(command -v wine64 || command -v wine)
  wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)
  # Wine's own services (the device host among them) inherit the standard
  # streams of the run that boots the prefix, and one of them now and then
  # faults while starting on a busy machine. Boot the prefix here, with their
  # words going to a log, and keep it up for the whole suite so that no run
  # of the program starts them.
  "$wineserver" -k >/dev/null 2>&1
  "$wineserver" -w >/dev/null 2>&1
  "$wineserver" -p >/dev/null 2>&1
  "$wine" cmd /c exit >"$scratch/wine-boot.log" 2>&1 || true
  trap '"$wineserver" -k >/dev/null 2>&1; rm -rf "$scratch"' EXIT
  drive=$WINEPREFIX/drive_c
  run() { (cd "$drive" && "$wine" "$program" "$@"); }
  # The error line names the file as Windows does and gives the system's
  # own words: its expectation is the one file that differs from POSIX.
  platform=.windows
  ;;
*)
  drive=$scratch/drive
  mkdir -p "$drive"
  run() { (cd "$drive" && "$program" "$@"); }
  platform=
  ;;
esac

outputs="user.drc tunewerk.txt audio.txt video.txt"
inputs="user.sdx vaz3er.ini 3ci.drc"


# Empties the drive of everything this suite puts there.
clean_drive() {
  for f in $outputs $inputs USER.SDX User.Sdx 3CI.DRC VAZ3ER.INI other.txt; do
    rm -rf "${drive:?}/$f"
  done
  rm -f "$drive"/.tunewerk-*
}

load_example() {
  clean_drive
  cp "$example/user.sdx" "$example/vaz3er.ini" "$example/3ci.drc" "$drive/"
}

# Runs with the answers on stdin (and any further arguments as options);
# console to $scratch/console.txt, stderr to $scratch/stderr.txt, exit status
# in $status.
run_with() {
  answers=$1
  shift
  printf "$answers" | run "$@" >"$scratch/console.txt" 2>"$scratch/stderr.txt"
  status=$?
}

# Compares (or with --update, stores) a produced file with the expected one.
check_file() {
  name=$1 produced=$2 want=$expected/$1
  if [ "$update" = --update ]; then
    mkdir -p "$(dirname "$want")"
    cp "$produced" "$want"
  elif [ ! -f "$produced" ]; then
    fail "$name" "was not produced"
    return
  elif ! cmp -s "$produced" "$want"; then
    fail "$name" "differs from the expected file"
    show_difference "$produced" "$want"
    mkdir -p "$scratch/failed/$(dirname "$name")"
    cp "$produced" "$scratch/failed/$name"
    return
  fi
  pass
}

# The sizes and the first differing bytes (offset from 1, octal values).
show_difference() {
  echo "  produced $(wc -c <"$1") bytes, expected $(wc -c <"$2")"
  cmp -l "$1" "$2" 2>&1 | head -n 8 | sed 's/^/  /'
}

check_status() {
  if [ "$status" -ne "$2" ]; then fail "$1" "exit status $status, expected $2"; else pass; fi
}

# Lists the drive's files with checksums (the wine prefix's own dirs left out).
drive_state() {
  (cd "$drive" && for f in $outputs $inputs other.txt .tunewerk-*; do
    [ -e "$f" ] && cksum "$f"
  done) 2>/dev/null
}

# A run with the answers typed; then one with the answers as options (and
# contrary answers on stdin, which must not be read): the same files, and the
# console of typing just the options' answers (Enter for the others). Then
# --list of its user.drc against its listing.
golden_run() {
  case_name=$1 typed=$2 optionAnswers=$3
  shift 3
  load_example
  run_with "$typed"
  check_status "$case_name" 0
  check_file "$case_name/console.txt" "$scratch/console.txt"
  check_outputs "$case_name"
  load_example
  run_with "$optionAnswers"
  mv "$scratch/console.txt" "$scratch/typed.txt"
  load_example
  run_with 'n\nn\ny\nn\n' "$@"
  check_status "$case_name $*" 0
  if cmp -s "$scratch/console.txt" "$scratch/typed.txt"; then pass; else
    fail "$case_name $*" "console differs from typing the answers"
  fi
  check_outputs "$case_name"
  check_list "$case_name"
  check_compare "$case_name" compare.txt
  # --keep-order: the same screen; against 3ci.drc, which every answer set
  # only adds to, no kept programme is renumbered.
  load_example
  run_with "$typed" --keep-order
  check_status "$case_name --keep-order" 0
  if cmp -s "$scratch/console.txt" "$expected/$case_name/console.txt" || [ "$update" = --update ]
  then pass; else fail "$case_name --keep-order" "console differs from the run without it"; fi
  check_compare "$case_name" compare-keep-order.txt
}

# --compare 3ci.drc user.drc against the expected file $1/$2: status 0,
# nothing on stderr, the drive as it was.
check_compare() {
  before=$(drive_state)
  run --compare 3ci.drc user.drc </dev/null >"$scratch/compared.txt" 2>"$scratch/stderr.txt"
  status=$?
  check_status "$1 --compare" 0
  check_file "$1/$2" "$scratch/compared.txt"
  if [ -s "$scratch/stderr.txt" ]; then fail "$1 --compare" "wrote to stderr"; else pass; fi
  if [ "$before" = "$(drive_state)" ]; then pass; else fail "$1 --compare" "the drive changed"; fi
}

check_outputs() {
  for f in $outputs; do check_file "$1/$f" "$drive/$f"; done
  if [ -s "$scratch/stderr.txt" ]; then fail "$1" "wrote to stderr"; else pass; fi
  if ls -a "$drive" | grep -q '^\.tunewerk-'; then fail "$1" "left a temporary"; else pass; fi
}

# --list user.drc prints the listing's transponder and programme lines, each
# under two heading lines, and its three totals, LF-ended; equal to
# tunewerk.txt once trailing blanks are cut.
check_list() {
  tr -d '\r' <"$drive/tunewerk.txt" | sed 's/ *$//' >"$scratch/trimmed.txt"
  t=$(($(grep -n '^$' "$scratch/trimmed.txt" | head -n 1 | cut -d: -f1) - 1))
  {
    printf 'Transponders:\n  Nr Sat Pol  Code    Freq SymRate  TV RadName\n'
    head -n "$t" "$scratch/trimmed.txt"
    printf 'Programmes:\n  Nr  TP   SID  PCR VPID APID Tag Name\n'
    tail -n "+$((t + 10))" "$scratch/trimmed.txt"
    sed -n "$((t + 6)),$((t + 8))p" "$scratch/trimmed.txt"
  } >"$scratch/want.txt"
  before=$(drive_state)
  run --list user.drc </dev/null >"$scratch/listed.txt" 2>"$scratch/stderr.txt"
  status=$?
  check_status "$1 --list" 0
  if tr -d '\r' <"$scratch/listed.txt" | cmp -s - "$scratch/listed.txt"; then pass; else
    fail "$1 --list" "CR in the output"
  fi
  if sed 's/ *$//' "$scratch/listed.txt" | cmp -s - "$scratch/want.txt"; then pass; else
    fail "$1 --list" "differs from the listing"
  fi
  if [ "$before" = "$(drive_state)" ]; then pass; else fail "$1 --list" "the drive changed"; fi
}

golden_run example-sorted 'y\nn\n\ny\n' 'y\n\n\ny\n' --scrambled --feeds
golden_run example-unsorted 'y\nn\nn\ny\n' 'y\n\nn\ny\n' --batch --feeds --unsorted --scrambled
golden_run example-all 'y\ny\n\ny\n' 'y\ny\n\ny\n' --scrambled --c-band --feeds

# The example's 3ci.drc is a whole receiver file of an earlier list: --list
# reads it, and the README's before/after recipe shows what a run changed.
load_example
run_with '' --list 3ci.drc
check_status "--list 3ci.drc" 0
mv "$scratch/console.txt" "$scratch/before.txt"
run_with 'y\nn\n\ny\n'
run --list user.drc </dev/null >"$scratch/after.txt" 2>&1
if [ -s "$scratch/before.txt" ] && ! cmp -s "$scratch/before.txt" "$scratch/after.txt"; then pass; else
  fail "--list 3ci.drc" "no listing, or no change against the new user.drc"
fi

# A programme gone from the list: with --keep-order the kept ones before it
# keep their numbers and those after it move up by one; a 3ci.drc of the
# receiver's settings alone holds no tables, so every programme is new.
load_example
grep -v 'Oeste Do' "$example/user.sdx" >"$drive/user.sdx"
run_with '\n\n\n\n' --keep-order
check_status "keep-order, one gone" 0
check_compare keep-order-gone compare.txt
load_example
head -c 27012 "$example/3ci.drc" >"$drive/3ci.drc"
run_with 'y\nn\n\ny\n' --keep-order
check_status "keep-order, no tables" 0
for f in $outputs; do check_file "example-sorted/$f" "$drive/$f"; done
check_compare keep-order-no-tables compare.txt

# -C: a run in another folder equals a run in that folder, and touches
# nothing outside it.
load_example
mkdir -p "$drive/sub"
mv "$drive/user.sdx" "$drive/vaz3er.ini" "$drive/3ci.drc" "$drive/sub/"
run_with 'y\nn\n\ny\n' -C sub
check_status "-C" 0
check_file example-sorted/console.txt "$scratch/console.txt"
for f in $outputs; do
  check_file "example-sorted/$f" "$drive/sub/$f"
  if [ -e "$drive/$f" ]; then fail "-C" "wrote $f outside the folder"; else pass; fi
done
run_with '' --directory=sub --list user.drc
check_status "-C with --list" 0
rm -rf "${drive:?}/sub"

# A message names the file under the folder as the user gave it, with one
# separator between them.
for dir in sub sub/; do
  load_example
  mkdir -p "$drive/sub"
  mv "$drive/vaz3er.ini" "$drive/3ci.drc" "$drive/sub/"
  rm "$drive/user.sdx"
  run_with 'y\nn\n\ny\n' -C "$dir"
  check_status "-C $dir, no list" 1
  shown=sub/user.sdx
  [ -n "$platform" ] && [ "$dir" = sub ] && shown='sub\user.sdx'
  if [ "$(cat "$scratch/stderr.txt")" = "tunewerk: cannot open $shown: No such file or directory" ] ||
    [ -n "$platform" ]; then
    pass
  else
    fail "-C $dir, no list" "stderr: $(cat "$scratch/stderr.txt")"
  fi
  rm -rf "${drive:?}/sub"
done

# A folder that cannot be used, a file that is no receiver file: status 1,
# one line on stderr, nothing changed.
for args in "-C nowhere" "--directory=user.sdx" "--list other.txt" "--list user.sdx" "--list nowhere" \
  "--compare user.sdx 3ci.drc" "--compare 3ci.drc nowhere"; do
  load_example
  head -c 30000 "$drive/3ci.drc" >"$drive/other.txt"  # a receiver file cut short
  before=$(drive_state)
  run_with '' $args
  check_status "$args" 1
  if [ "$(wc -l <"$scratch/stderr.txt")" -eq 1 ]; then pass; else fail "$args" "not one stderr line"; fi
  if [ -s "$scratch/console.txt" ]; then fail "$args" "wrote to stdout"; else pass; fi
  if [ "$before" = "$(drive_state)" ]; then pass; else fail "$args" "the drive changed"; fi
done

# A folder named in a message is shown as typed, a backslash as one, and no
# byte of it acts on the terminal.
for dir in 'nowhere\deeper' "$(printf 'no\033[2Jwhere\007')"; do
  load_example
  run_with '' -C "$dir"
  check_status "-C $dir" 1
  shown=$(printf '%s' "$dir" | sed 's/\x1b/\\x1b/; s/\x07/\\x07/')
  case $(cat "$scratch/stderr.txt") in
  "tunewerk: cannot use $shown as drive C: "*) pass ;;
  *) fail "-C $shown" "stderr: $(cat "$scratch/stderr.txt")" ;;
  esac
done

# A missing input: exit 1, one stderr line, outputs as they were.
missing_run() {
  case_name=$1 missing=$2
  load_example
  rm -f "$drive/$missing"
  printf 'old listing\r\n' >"$drive/tunewerk.txt"
  printf 'unrelated\n' >"$drive/other.txt"
  before=$(drive_state)
  run_with 'y\nn\n\ny\n'
  check_status "$case_name" 1
  check_file "$case_name/console.txt" "$scratch/console.txt"
  check_file "$case_name/stderr$platform.txt" "$scratch/stderr.txt"
  after=$(drive_state)
  if [ "$before" != "$after" ]; then fail "$case_name" "the drive changed"; else pass; fi
}

missing_run missing-settings vaz3er.ini
missing_run missing-list user.sdx
missing_run missing-old-receiver-file 3ci.drc

# A list whose line ends were converted to LF reads as its CR LF original.
load_example
sed 's/\r$//' "$example/user.sdx" >"$drive/user.sdx"
run_with 'y\nn\n\ny\n'
check_status lf-only-list 0
check_file example-sorted/console.txt "$scratch/console.txt"
for f in $outputs; do check_file "example-sorted/$f" "$drive/$f"; done

# Inputs are found whatever the case of their names.
load_example
mv "$drive/user.sdx" "$drive/USER.SDX"
mv "$drive/3ci.drc" "$drive/3CI.DRC"
mv "$drive/vaz3er.ini" "$drive/VAZ3ER.INI"
run_with 'y\nn\n\ny\n'
check_status upper-case-inputs 0
check_file example-sorted/user.drc "$drive/user.drc"

# Two spellings of one input where names have case: the byte-wise smallest
# is read.
if [ -z "$platform" ]; then
  load_example
  mv "$drive/user.sdx" "$drive/USER.SDX"
  printf 'not a list\r\n' >"$drive/User.Sdx"
  run_with 'y\nn\n\ny\n'
  check_status two-spellings 0
  check_file example-sorted/user.drc "$drive/user.drc"
fi

# The settings file to start from holds the example's satellites and
# providers: with it the example makes its files.
load_example
cp "$here/../../examples/vaz3er-start.ini" "$drive/vaz3er.ini"
run_with 'y\nn\n\ny\n'
check_status settings-to-start-from 0
for f in $outputs; do check_file "example-sorted/$f" "$drive/$f"; done

# Command line: nothing touched by --help, --version or a wrong argument;
# a wrong one gets the usage on stderr.
for args in --help -h --version --bogus extra -C "--list" "--batch --list" "--list a extra" \
  --directory= --list= "--compare 3ci.drc" "--keep-order --list 3ci.drc"; do
  load_example
  before=$(drive_state)
  run $args >"$scratch/stdout.txt" 2>"$scratch/stderr.txt" </dev/null
  status=$?
  case $args in
  -h) check_status "$args" 0; check_file "command-line/--help.txt" "$scratch/stdout.txt" ;;
  --help | --version) check_status "$args" 0; check_file "command-line/$args.txt" "$scratch/stdout.txt" ;;
  --bogus | extra) check_status "$args" 2; check_file "command-line/$args.stderr.txt" "$scratch/stderr.txt" ;;
  *)
    check_status "$args" 2
    if grep -q '^Usage: tunewerk' "$scratch/stderr.txt"; then pass; else fail "$args" "no usage"; fi
    ;;
  esac
  after=$(drive_state)
  if [ "$before" != "$after" ]; then fail "$args" "the drive changed"; else pass; fi
done

# Windows: a folder where the user may not create files (C:\ to anyone but
# an administrator) refuses the lock: the line names -C. An empty lock file
# already there (a run killed as it made it) cannot be taken over there:
# the line says how to clear it. An immutable folder refuses even
# root; where one cannot be made the case is skipped.
if [ "$platform" = .windows ]; then
  trap 'chattr -i "$drive" 2>/dev/null; exit 1' INT TERM
  for lock in absent present; do
    load_example
    if [ $lock = present ]; then : >"$drive/.tunewerk-lock"; fi
    before=$(drive_state)
    if chattr +i "$drive" 2>/dev/null; then
      run_with 'y\nn\n\ny\n'
      chattr -i "$drive"
      check_status "no rights, lock $lock" 1
      case $lock in
      absent) line='; name a folder with -C (for instance tunewerk\.exe -C D:\\Receiver)$' ;;
      present) line='^tunewerk: cannot take over .*\.tunewerk-lock, left by a run that ended: .*; if no run uses the folder, remove .*\.tunewerk-lock$' ;;
      esac
      if [ "$(wc -l <"$scratch/stderr.txt")" -eq 1 ] && grep -q "$line" "$scratch/stderr.txt"
      then pass; else fail "no rights, lock $lock" "stderr: $(cat "$scratch/stderr.txt")"; fi
      if [ "$before" = "$(drive_state)" ]; then pass; else fail "no rights, lock $lock" "the drive changed"; fi
    else
      echo "e2e: skipped no rights, lock $lock: no immutable folder here"
    fi
    rm -f "$drive/.tunewerk-lock"
  done
  trap - INT TERM
fi

# What stands at the lock's name is never followed or waited on: a link to a
# file outside the folder, a FIFO, a directory end the run with one line, and
# the file outside stays. (Wine shows a link as the file it points to: not a
# lock of tunewerk's, and still nothing is removed.)
for kind in link fifo directory; do
  load_example
  mkdir -p "$scratch/outside" && printf 'notes\n' >"$scratch/outside/notes.txt"
  case $kind in
  link) ln -s "$scratch/outside/notes.txt" "$drive/.tunewerk-lock" ;;
  fifo) mkfifo "$drive/.tunewerk-lock" ;;
  directory) mkdir "$drive/.tunewerk-lock" ;;
  esac
  before=$(ls -Al "$drive" | sed 1d)  # nothing here reads the FIFO either
  run_with 'y\nn\n\ny\n'
  check_status "lock is a $kind" 1
  line='^tunewerk: cannot lock this folder: .*\.tunewerk-lock: it is '
  [ -n "$platform" ] && [ $kind = link ] && line="^tunewerk: the folder is locked, but .*\\.tunewerk-lock is not tunewerk's lock; "
  if [ "$(wc -l <"$scratch/stderr.txt")" -eq 1 ] && grep -q "$line" "$scratch/stderr.txt"
  then pass; else fail "lock is a $kind" "stderr: $(cat "$scratch/stderr.txt")"; fi
  if [ "$(cat "$scratch/outside/notes.txt")" = notes ] && [ "$before" = "$(ls -Al "$drive" | sed 1d)" ]; then pass; else
    fail "lock is a $kind" "a file changed"
  fi
  rm -rf "$drive/.tunewerk-lock" "$scratch/outside"
done

# One run per folder: a second run while the first waits for its answers
# fails at once and changes nothing; the first then finishes as usual and no
# lock is left behind.
load_example
mkfifo "$scratch/answers"
run <"$scratch/answers" >/dev/null 2>"$scratch/first-stderr.txt" &
first=$!
exec 3>"$scratch/answers"
# Until the first run holds the lock and waits for its first answer: on
# Windows its lock file shows it (wine may take long to start).
case $program in
*.exe)
  wait_for_file "$drive/.tunewerk-lock" 60
  sleep 1
  ;;
*) sleep 2 ;;
esac
before=$(drive_state)
run_with 'y\nn\n\ny\n'
check_status second-run 1
if grep -q '^tunewerk: the folder is locked by another run or program$' "$scratch/stderr.txt" &&
  [ "$(wc -l <"$scratch/stderr.txt")" -eq 1 ]; then pass; else fail second-run "stderr: $(cat "$scratch/stderr.txt")"; fi
if [ -s "$scratch/console.txt" ]; then fail second-run "drew on the console"; else pass; fi
if [ "$before" != "$(drive_state)" ]; then fail second-run "the drive changed"; else pass; fi
printf 'y\nn\n\ny\n' >&3
exec 3>&-
wait "$first"
status=$?
check_status first-run 0
check_file example-sorted/user.drc "$drive/user.drc"
if ls -a "$drive" | grep -q '^\.tunewerk-'; then fail first-run "left a lock or temporary"; else pass; fi
rm -f "$scratch/answers"

clean_drive
tally e2e
