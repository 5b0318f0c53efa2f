#!/bin/sh
# Fault tests of the real binary on a drive in a temporary directory: a write
# failing in the middle of the output, a read-only drive, inputs that are a
# directory or a FIFO, a sparse 2 GB list without any CR, and runs killed or
# stopped in the middle, every stop signal at random moments of slowed
# replacements, fsync, link, rename and unlink failing at each step alone and
# in pairs, a reader during replacements, file-size and memory limits, kept
# metadata, symbolic links and a read-only file system. After each: the right
# exit status and stderr line, the inputs and every pre-existing output
# byte-identical (or, after exit 0, the new set), no partial output under a
# real name and no temporary left once the next run has put things right.
#
# Usage: faults.sh PROGRAM [earlier|replacement]   (POSIX systems only)
# The second argument runs one half (ctest runs the two side by side).
set -u
part=${2:-all}
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
example=$here/../../examples/drive-c
. "$here/../support/checks.sh"

started=$(date +%s)
scratch=$(mktemp -d)
trap 'chattr -i "$scratch"/drive/* 2>/dev/null; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"  # a run as another user must reach the drive
drive=$scratch/drive
mkdir "$drive"
answers=$scratch/answers
printf 'y\nn\n\ny\n' >"$answers"


# A drive with the example inputs, an old version of each output and an
# unrelated file.
load_drive() {
  chmod 755 "$drive" 2>/dev/null
  rm -rf "$drive" && mkdir "$drive" && chmod 755 "$drive"
  cp "$example/user.sdx" "$example/vaz3er.ini" "$example/3ci.drc" "$drive/"
  for f in user.drc tunewerk.txt audio.txt video.txt; do printf 'old %s\r\n' "$f" >"$drive/$f"; done
  printf 'unrelated\n' >"$drive/other.txt"
}

# Every entry of the drive, hidden ones too, with type and checksum.
drive_state() {
  (cd "$drive" && for f in $(ls -A); do
    if [ -f "$f" ] && [ ! -p "$f" ]; then echo "$f $(cksum <"$f")"; else echo "$f (not a file)"; fi
  done)
}

# The four outputs with their checksums.
output_set() {
  (cd "$drive" && for f in user.drc tunewerk.txt audio.txt video.txt; do
    if [ -f "$f" ]; then echo "$f $(cksum <"$f")"; else echo "$f absent"; fi
  done)
}

# Runs PROGRAM in the drive with the answers on stdin, through an optional
# wrapper ("$@"); sets $status, stderr in $scratch/stderr.txt.
run_in_drive() {
  (cd "$drive" && "$@" "$program" <"$answers" >"$scratch/console.txt" 2>"$scratch/stderr.txt")
  status=$?
}

# The run failed as it should: exit 1, one stderr line matching the pattern,
# the drive as it was before.
expect_failure() {
  case_name=$1 pattern=$2 before=$3
  if [ "$status" -ne 1 ]; then fail "$case_name" "exit status $status, expected 1"; else pass; fi
  lines=$(wc -l <"$scratch/stderr.txt")
  if [ "$lines" -ne 1 ] || ! grep -q "$pattern" "$scratch/stderr.txt"; then
    fail "$case_name" "stderr is not one line matching '$pattern': $(cat "$scratch/stderr.txt")"
  else
    pass
  fi
  after=$(drive_state)
  if [ "$before" != "$after" ]; then
    fail "$case_name" "the drive changed:"
    printf '%s\n' "$before" >"$scratch/before.txt"
    printf '%s\n' "$after" | diff "$scratch/before.txt" - | sed 's/^/    /'
  else
    pass
  fi
}

# The run succeeded; its stderr is empty or the given warning line.
expect_success() {
  case_name=$1 warning=${2:-}
  if [ "$status" -ne 0 ]; then fail "$case_name" "exit status $status, expected 0"; else pass; fi
  if [ "$(cat "$scratch/stderr.txt")" != "$warning" ]; then
    fail "$case_name" "stderr: $(cat "$scratch/stderr.txt")"
  else
    pass
  fi
  if ls -A "$drive" | grep -q '^\.tunewerk-'; then fail "$case_name" "left a temporary"; else pass; fi
  if [ "$(wc -c <"$drive/user.drc")" -ne 475029 ]; then fail "$case_name" "user.drc is incomplete"; else pass; fi
}

if [ "$part" != replacement ]; then
# A write fails in the middle of user.drc: the file size limit. The run
# ignores SIGXFSZ itself, so that the write fails with its reason.
load_drive
before=$(drive_state)
run_in_drive sh -c 'ulimit -f 200; exec "$0"'
expect_failure file-size-limit '^tunewerk: cannot write user\.drc: File too large$' "$before"

# Standard output appended to a log already past the limit: the new set is
# in place when the transcript fails, and the line says so.
load_drive
head -c 2000000 /dev/zero >"$scratch/log.txt"
(cd "$drive" && sh -c 'ulimit -f 1000; exec "$0" --batch' "$program" >>"$scratch/log.txt" \
  2>"$scratch/stderr.txt")
status=$?
if [ $status -ne 1 ] || [ "$(cat "$scratch/stderr.txt")" != \
  "tunewerk: cannot write to standard output: File too large; the four files were generated" ]; then
  fail stdout-size-limit "exit $status, stderr: $(cat "$scratch/stderr.txt")"
elif ls -A "$drive" | grep -q '^\.tunewerk-' || [ "$(wc -c <"$drive/user.drc")" -ne 475029 ]; then
  fail stdout-size-limit "the new set is not in place"
else
  pass
fi

# --list under a memory limit ends with one line (or lists), never aborts.
load_drive
(cd "$drive" && "$program" --batch >/dev/null 2>&1)
if ! sh -c 'ulimit -v 2000; exec "$0" --version' "$program" >/dev/null 2>&1; then
  skip list-memory-limit "$program does not start under ulimit -v (a sanitizer build)"
else
  sh -c 'ulimit -v 2000; exec "$0" --list "$1"' "$program" "$drive/user.drc" >/dev/null \
    2>"$scratch/stderr.txt"
  status=$?
  if [ $status -ne 1 ] || [ "$(wc -l <"$scratch/stderr.txt")" -ne 1 ] ||
    ! grep -q '^tunewerk: cannot list .*: out of memory$' "$scratch/stderr.txt"; then
    fail list-memory-limit "exit $status, stderr: $(cat "$scratch/stderr.txt")"
  else
    pass
  fi
fi

# A read-only drive. Mode bits do not stop root, so as root the run is made
# as nobody; without a way to do that the case is skipped.
load_drive
chmod 555 "$drive"
before=$(drive_state)
if [ "$(id -u)" != 0 ]; then
  run_in_drive
  expect_failure read-only-drive '^tunewerk: cannot lock this folder: ' "$before"
elif command -v setpriv >/dev/null &&
  setpriv --reuid=65534 --regid=65534 --clear-groups "$program" --version >/dev/null 2>&1; then
  run_in_drive setpriv --reuid=65534 --regid=65534 --clear-groups
  expect_failure read-only-drive '^tunewerk: cannot lock this folder: ' "$before"
else
  skip read-only-drive "running as root, and nobody cannot run $program"
fi
chmod 755 "$drive"

# An output name held by a directory: its rename fails at the very end, after
# every other output is complete.
for name in user.drc video.txt; do
  load_drive
  rm "$drive/$name" && mkdir "$drive/$name"
  before=$(drive_state)
  run_in_drive
  expect_failure "output-$name-is-a-directory" "^tunewerk: cannot replace $name: Is a directory\$" "$before"
done

# An old receiver file shorter than its 27,012-byte header: the run fails once
# the copy reaches its end, naming its size.
load_drive
head -c 100 "$example/3ci.drc" >"$drive/3ci.drc"
before=$(drive_state)
run_in_drive
expect_failure short-old-receiver-file \
  "^tunewerk: cannot copy the receiver's settings from 3ci\\.drc: it has 100 bytes, 27,012 are needed$" "$before"

# Inputs that are not regular files fail at open, and a FIFO must not hang.
for name in user.sdx vaz3er.ini 3ci.drc; do
  for kind in directory fifo; do
    words="Is a directory"
    [ $kind = fifo ] && words="Not a regular file"
    load_drive
    rm "$drive/$name"
    if [ $kind = directory ]; then mkdir "$drive/$name"; else mkfifo "$drive/$name"; fi
    before=$(drive_state)
    run_in_drive timeout 20
    if [ "$status" -eq 124 ]; then fail "input-$name-$kind" "hangs"; continue; fi
    expect_failure "input-$name-$kind" "^tunewerk: cannot open $name: $words\$" "$before"
  done
done

# A sparse 2 GB list of zero bytes has no line end: one record, and the
# reader walks to the end.
load_drive
rm "$drive/user.sdx" && truncate -s 2G "$drive/user.sdx"
start=$(date +%s)
run_in_drive timeout 120
echo "sparse 2 GB list: $(($(date +%s) - start)) s"
expect_success sparse-2g-list \
  "tunewerk: warning: no programme was selected; user.drc holds no channels"
rm -f "$drive/user.sdx"

# Killed with SIGKILL in the middle of a long import (a sparse 16 GB list):
# nothing changes but the lock naming the killed process. The next run takes
# that lock over, removes stale temporaries of a run killed while writing
# (made here by hand) and succeeds.
load_drive
rm "$drive/user.sdx" && truncate -s 16G "$drive/user.sdx"
before=$(drive_state)
(cd "$drive" && exec "$program" <"$answers" >"$scratch/console.txt" 2>"$scratch/stderr.txt") &
victim=$!  # the program itself: the subshell execs it
sleep 1
if ! kill -0 "$victim" 2>/dev/null; then
  fail killed-in-import "the import ended within a second"
else
  kill -KILL "$victim"
  wait "$victim" 2>/dev/null
  after=$(drive_state | grep -v '^\.tunewerk-lock ')
  if [ "$before" != "$after" ]; then fail killed-in-import "the drive changed"; else pass; fi
  if [ -s "$scratch/stderr.txt" ]; then fail killed-in-import "wrote to stderr"; else pass; fi
  if grep -qx "pid $victim" "$drive/.tunewerk-lock"; then pass; else fail killed-in-import "no lock names it"; fi
fi
cp "$example/user.sdx" "$drive/user.sdx"
for f in user.drc tunewerk.txt audio.txt video.txt; do printf 'partial' >"$drive/.tunewerk-$f.tmp"; done
run_in_drive
expect_success stale-temporaries-removed

# Several runs at once in one folder, with different answers: each round ends
# with the four outputs of one successful run; every other run exits 1 with
# the one line saying that the folder is in use. A list padded with records
# the import rejects keeps each run busy long enough to overlap.
answer_sets='y\nn\n\ny\n n\nn\n\nn\n y\ny\nn\ny\n n\ny\nn\nn\n'
load_drive
awk 'BEGIN { for (i = 0; i < 200000; i++) printf "%-126s\r\n", "padding record " i }' >"$scratch/padded.sdx"
cat "$example/user.sdx" >>"$scratch/padded.sdx"
cp "$scratch/padded.sdx" "$drive/user.sdx"
i=0
for a in $answer_sets; do
  i=$((i + 1))
  printf "$a" >"$scratch/answers-$i"
  (cd "$drive" && "$program" <"$scratch/answers-$i" >/dev/null 2>&1)
  output_set >"$scratch/expected-$i"
done
for round in 1 2 3 4 5; do
  load_drive
  cp "$scratch/padded.sdx" "$drive/user.sdx"
  pids=
  for i in 1 2 3 4; do
    (cd "$drive" && exec "$program" <"$scratch/answers-$i" >/dev/null 2>"$scratch/stderr-$i") &
    pids="$pids $!"
  done
  i=0
  winners=
  for pid in $pids; do
    i=$((i + 1))
    wait "$pid"
    code=$?
    if [ $code -eq 0 ] && [ ! -s "$scratch/stderr-$i" ]; then
      winners="$winners $i"
    elif [ $code -ne 1 ] ||
      [ "$(cat "$scratch/stderr-$i")" != "tunewerk: the folder is locked by another run or program" ]; then
      fail "parallel-runs-$round" "run $i: exit $code, stderr: $(cat "$scratch/stderr-$i")"
    fi
  done
  matched=no
  for i in $winners; do
    if [ "$(output_set)" = "$(cat "$scratch/expected-$i")" ]; then matched=yes; fi
  done
  if [ -z "$winners" ] || [ $matched = no ]; then
    fail "parallel-runs-$round" "the outputs are not those of one successful run ($winners)"
  else
    pass
  fi
  if ls -A "$drive" | grep -q '^\.tunewerk-'; then fail "parallel-runs-$round" "left a temporary"; fi
done

# An output that cannot be moved (immutable): the run fails on it and puts
# back the outputs it had already moved.
load_drive
if chattr +i "$drive/video.txt" 2>/dev/null; then
  before=$(drive_state)
  run_in_drive
  expect_failure immutable-output '^tunewerk: cannot replace video\.txt: Operation not permitted$' "$before"
  chattr -i "$drive/video.txt"
else
  skip immutable-output "chattr +i is not available here"
fi

# The replacement slowed down (each rename waits a while under strace; the
# leak checker of a sanitizer build cannot run under a tracer). A stop
# signal once the replacement has begun is held: the run finishes it and exits
# 0 with the new set. A SIGKILL in the middle leaves a set that the next run
# puts back before anything else, even when that run then fails.
# The program's own pid under strace, once the replacement has begun.
wait_for_replacement() {
  tries=0
  while [ ! -e "$drive/.tunewerk-replacing" ] && [ $tries -lt 500 ]; do
    sleep 0.01
    tries=$((tries + 1))
  done
  pgrep -P "$1"
}
if ! strace -o /dev/null -e inject=rename:delay_exit=1 true 2>/dev/null; then
  skip slowed-replacement "strace cannot inject delays here"
else
  load_drive
  (cd "$drive" && "$program" <"$answers" >/dev/null 2>&1)
  new_set=$(output_set)
  for sig in INT TERM HUP; do
    load_drive
    (cd "$drive" && export ASAN_OPTIONS=detect_leaks=0 && exec strace -f -o /dev/null \
      -e trace=rename,renameat,renameat2 \
      -e inject=rename,renameat,renameat2:delay_exit=200000 "$program" <"$answers" \
      >/dev/null 2>"$scratch/stderr.txt") &
    tracer=$!
    victim=$(wait_for_replacement "$tracer")
    kill -s "$sig" "$victim" 2>/dev/null
    wait "$tracer"
    status=$?
    expect_success "sig$sig-during-replacement"
    if [ "$(output_set)" != "$new_set" ]; then fail "sig$sig-during-replacement" "not the new set"; else pass; fi
  done

  load_drive
  old_set=$(output_set)
  (cd "$drive" && export ASAN_OPTIONS=detect_leaks=0 && exec strace -f -o /dev/null \
      -e trace=rename,renameat,renameat2 \
    -e inject=rename,renameat,renameat2:delay_exit=300000 "$program" <"$answers" \
    >/dev/null 2>/dev/null) &
  tracer=$!
  victim=$(wait_for_replacement "$tracer")
  sleep 0.8
  kill -KILL "$victim" 2>/dev/null
  wait "$tracer" 2>/dev/null
  if ! ls -A "$drive" | grep -q '^\.tunewerk-replacing$'; then
    fail killed-in-replacement "the replacement was not under way when killed"
  fi
  mv "$drive/vaz3er.ini" "$scratch/vaz3er.ini"
  run_in_drive
  mv "$scratch/vaz3er.ini" "$drive/vaz3er.ini"
  if [ "$status" -ne 1 ] || [ "$(output_set)" != "$old_set" ]; then
    fail killed-in-replacement "the next run did not put back the old set (exit $status)"
  else
    pass
  fi
  if ls -A "$drive" | grep -q '^\.tunewerk-'; then fail killed-in-replacement "left a leftover"; else pass; fi
fi

  echo "faults: earlier cases $(($(date +%s) - started)) s"
fi

if [ "$part" != earlier ]; then
# --- The replacement under attack. Every case runs with --batch; the next
# run is made to fail before it writes anything (no vaz3er.ini), so that
# what it leaves is what its repair made.
load_drive
old_set=$(output_set)
(cd "$drive" && "$program" --batch >/dev/null 2>&1)
new_set=$(output_set)

# Checks the drive after a run that ended with $status (stderr in
# stderr.txt), then runs the next one: exit 0 must mean the new set; a line
# that promises a put-back needs the journal; after the next run the old set
# stands where the run failed, the new one where it succeeded (either where
# $2 is "any": a SIGKILL), and nothing of the run's own.
check_then_next_run() {
  case_name=$1 want=${2:-}
  if [ "$status" -eq 0 ]; then
    [ "$(output_set)" = "$new_set" ] || fail "$case_name" "exit 0 without the new set"
    want=$new_set
  elif grep -q 'the next run puts' "$scratch/stderr.txt" && [ ! -e "$drive/.tunewerk-replacing" ]; then
    fail "$case_name" "promises a put-back that no run will do: $(cat "$scratch/stderr.txt")"
  fi
  [ -n "$want" ] || want=$old_set
  [ -e "$drive/.tunewerk-replacing" ] && want=$old_set
  mv "$drive/vaz3er.ini" "$scratch/vaz3er.ini"
  (cd "$drive" && "$program" --batch >/dev/null 2>"$scratch/next.txt")
  next=$?
  mv "$scratch/vaz3er.ini" "$drive/vaz3er.ini"
  if [ $next -ne 1 ] || ! grep -q '^tunewerk: cannot open vaz3er\.ini' "$scratch/next.txt"; then
    fail "$case_name" "the next run: exit $next, $(cat "$scratch/next.txt")"
  fi
  got=$(output_set)
  if [ "$want" = any ] && { [ "$got" = "$old_set" ] || [ "$got" = "$new_set" ]; }; then
    pass
  elif [ "$got" = "$want" ]; then
    pass
  else
    fail "$case_name" "after the next run not the $([ "$want" = "$new_set" ] && echo new || echo old) set (exit $status, $(cat "$scratch/stderr.txt"))"
  fi
  if ls -A "$drive" | grep -q '^\.tunewerk-'; then fail "$case_name" "leftovers: $(ls -A "$drive" | grep '^\.tunewerk-')"; else pass; fi
}

# Milliseconds from 0 to $1 - 1, at random.
random_ms() { echo $(($(od -An -N2 -tu2 /dev/urandom) % $1)); }

# A child of $1, once it exists.
child_of() {
  tries=0
  until child=$(pgrep -P "$1") || [ $tries -ge 300 ]; do sleep 0.01; tries=$((tries + 1)); done
  echo "$child"
}

if ! strace -o /dev/null -e inject=fsync:delay_exit=1 true 2>/dev/null; then
  skip stop-signals-at-random "strace cannot inject faults here"
  skip failing-calls "strace cannot inject faults here"
else
  # Each stop signal at a random moment of a run whose opens, syncs, links
  # and renames are slowed; the signal's default disposition restored first
  # (a background job of sh starts with SIGINT and SIGQUIT ignored).
  syscalls=fsync,link,linkat,rename,renameat,renameat2,openat
  for sig in QUIT KILL TERM INT USR1 USR2 ALRM XCPU RTMIN+3; do
    for round in 1 2 3 4 5; do
      load_drive
      (cd "$drive" && export ASAN_OPTIONS=detect_leaks=0 && exec env --default-signal strace -f \
        -o /dev/null -e trace=$syscalls -e inject=$syscalls:delay_exit=30000 \
        "$program" --batch >/dev/null 2>"$scratch/stderr.txt") &
      tracer=$!
      victim=$(child_of "$tracer")
      sleep "$(printf '0.%03d' "$(random_ms 700)")"
      kill -s "$sig" "$victim" 2>/dev/null
      wait "$tracer" 2>/dev/null
      status=$?
      want=
      if [ "$sig" = KILL ]; then
        want=any
      elif [ "$status" -ne 0 ]; then
        # Stopped by the signal: only while no replacement had begun.
        if ls -A "$drive" | grep -q '^\.tunewerk-'; then fail "sig$sig-at-random-$round" "left $(ls -A "$drive" | grep '^\.tunewerk-')"; fi
        [ "$(output_set)" = "$old_set" ] || fail "sig$sig-at-random-$round" "stopped (exit $status) without the old set"
      fi
      check_then_next_run "sig$sig-at-random-$round" "$want"
    done
  done

  echo "faults: stop signals at random $(($(date +%s) - started)) s"
  # INT, TERM and HUP while a temporary exists (each write slowed 0.3 s, so
  # that even a loaded machine finds one long before the replacement): the
  # run dies by that signal, its temporaries go with it, the drive is as it was.
  for sig in INT TERM HUP; do
    load_drive
    before=$(drive_state)
    (cd "$drive" && export ASAN_OPTIONS=detect_leaks=0 && exec env --default-signal strace -f \
      -o /dev/null -e trace=write -e inject=write:delay_exit=300000 \
      "$program" --batch >/dev/null 2>/dev/null) &
    tracer=$!
    tries=0
    until ls -A "$drive" | grep -q '\.tmp$' || [ $tries -ge 500 ]; do sleep 0.01; tries=$((tries + 1)); done
    victim=$(child_of "$tracer")
    kill -s "$sig" "$victim"
    wait "$tracer"
    status=$?
    case $sig in INT) expected=130 ;; TERM) expected=143 ;; *) expected=129 ;; esac
    if [ "$status" -ne "$expected" ]; then fail "sig$sig-while-writing" "exit $status, expected $expected (victim $victim of $tracer, polled $tries)"; else pass; fi
    if [ "$(drive_state)" != "$before" ]; then fail "sig$sig-while-writing" "the drive changed"; else pass; fi
  done

  # Each fsync, link, rename and unlink of a run failing alone (EIO), then
  # from there on, then in pairs of two kinds: the run ends with the new set
  # and exit 0, or with exit 1 and the old set (now, or after the next run
  # where the line says so).
  calls="fsync:10 link,linkat:4 rename,renameat,renameat2:4 unlink,unlinkat:5"
  inject_run() {
    load_drive
    (cd "$drive" && ASAN_OPTIONS=detect_leaks=0 strace -f -o /dev/null "$@" "$program" --batch \
      >/dev/null 2>"$scratch/stderr.txt")
    status=$?
  }
  for call in $calls; do
    names=${call%:*} count=${call#*:}
    step=1
    while [ $step -le "$count" ]; do
      inject_run -e trace="$names" -e inject="$names":error=EIO:when=$step
      check_then_next_run "${names%%,*}-fails-at-$step"
      inject_run -e trace="$names" -e inject="$names":error=EIO:when=$step+
      check_then_next_run "${names%%,*}-fails-from-$step"
      step=$((step + 1))
    done
  done
  # Each fsync failing alone ends with its own line and the drive as it was:
  # the lock's file and folder (1, 2), the temporaries (3-6), the journal and
  # its folder (7, 8), the folder before the commit (9); after the commit (10)
  # the new set stays with a warning.
  for step in 1 2 3 4 5 6 7 8 9 10; do
    case $step in
    1 | 2) line='^tunewerk: cannot lock this folder: Input/output error$' ;;
    3 | 4 | 5 | 6) line='^tunewerk: cannot write [a-z.]*: Input/output error$' ;;
    7 | 8) line='^tunewerk: cannot start replacing the outputs: Input/output error$' ;;
    9) line='^tunewerk: cannot replace the outputs: Input/output error$' ;;
    10) line='^tunewerk: warning: the outputs were replaced, but the folder could not be synced' ;;
    esac
    load_drive
    before=$(drive_state)
    (cd "$drive" && ASAN_OPTIONS=detect_leaks=0 strace -f -o /dev/null -e trace=fsync \
      -e inject=fsync:error=EIO:when=$step "$program" --batch >/dev/null 2>"$scratch/stderr.txt")
    status=$?
    if [ $step -lt 10 ]; then
      expect_failure "fsync-$step-fails" "$line" "$before"
    elif [ $status -eq 0 ] && grep -q "$line" "$scratch/stderr.txt"; then
      pass
    else
      fail "fsync-$step-fails" "exit $status, stderr: $(cat "$scratch/stderr.txt")"
    fi
  done
  # A link that fails for a reason other than a file system without links
  # ends with the old set; one without links (EPERM, EOPNOTSUPP, EXDEV) moves
  # the old output aside instead and succeeds. New outputs that cannot be
  # given the old ones' permissions change nothing.
  for error in EIO EPERM EOPNOTSUPP EXDEV chmod; do
    load_drive
    before=$(drive_state)
    case $error in
    chmod) inject='-e trace=chmod,fchmodat -e inject=chmod,fchmodat:error=EPERM' ;;
    *) inject="-e trace=link,linkat -e inject=link,linkat:error=$error" ;;
    esac
    (cd "$drive" && ASAN_OPTIONS=detect_leaks=0 strace -f -o /dev/null $inject "$program" --batch \
      >/dev/null 2>"$scratch/stderr.txt")
    status=$?
    case $error in
    EIO) expect_failure link-fails-with-EIO '^tunewerk: cannot replace user\.drc: Input/output error$' "$before" ;;
    chmod) expect_failure chmod-refused \
      '^tunewerk: cannot give the new user\.drc the permissions of the old one: Operation not permitted$' "$before" ;;
    *) expect_success "link-fails-with-$error" ;;
    esac
  done
  echo "faults: single failing calls $(($(date +%s) - started)) s"
  # Pairs: two steps of one kind (when=I..J+STEP), or of two kinds. The
  # fsyncs of the lock and the temporaries (1-6) come before any change and
  # are left out.
  pair_steps() { case $1 in fsync) echo 7 8 9 10 ;; link*) echo 1 2 3 4 ;; rename*) echo 1 2 3 4 ;; *) echo 1 2 3 4 5 ;; esac; }
  for first in $calls; do
    for second in $calls; do
      [ "$first" \< "$second" ] || [ "$first" = "$second" ] || continue
      names1=${first%:*} names2=${second%:*}
      for i in $(pair_steps "$names1"); do
        for j in $(pair_steps "$names2"); do
          if [ "$first" = "$second" ]; then
            [ "$i" -lt "$j" ] || continue
            inject_run -e trace="$names1" -e inject="$names1":error=EIO:when=$i..$j+$((j - i))
          else
            inject_run -e trace="$names1,$names2" -e inject="$names1":error=EIO:when=$i \
              -e inject="$names2":error=EIO:when=$j
          fi
          check_then_next_run "${names1%%,*}-$i-and-${names2%%,*}-$j-fail"
        done
      done
    done
  done
fi

echo "faults: pairs of failing calls $(($(date +%s) - started)) s"
# A reader during 100 replacements always finds a whole user.drc, the old or
# the new one (the runs alternate between two different sets).
load_drive
(cd "$drive" && "$program" --batch >/dev/null 2>&1)
sum_a=$(cksum <"$drive/user.drc")
(cd "$drive" && "$program" --batch --scrambled --feeds >/dev/null 2>&1)
sum_b=$(cksum <"$drive/user.drc")
# A missing file counts too: the shell's own message goes to the log.
(cd "$drive" && while [ ! -e "$scratch/stop" ]; do { cksum <user.drc; } 2>&1; done >"$scratch/reads.txt") &
reader=$!
# Where strace can, the links and renames are slowed (5 ms each) to widen
# any moment without a whole file.
slowed=
if strace -o /dev/null -e inject=rename:delay_exit=1 true 2>/dev/null; then
  calls=link,linkat,rename,renameat,renameat2
  slowed="strace -f -o /dev/null -e trace=$calls -e inject=$calls:delay_exit=5000"
fi
round=0
while [ $round -lt 50 ]; do
  (cd "$drive" && export ASAN_OPTIONS=detect_leaks=0 && $slowed "$program" --batch >/dev/null 2>&1 &&
    $slowed "$program" --batch --scrambled --feeds >/dev/null 2>&1)
  round=$((round + 1))
done
touch "$scratch/stop"
wait "$reader"
rm -f "$scratch/stop"
reads=$(wc -l <"$scratch/reads.txt")
bad=$(grep -c -v -x -e "$sum_a" -e "$sum_b" "$scratch/reads.txt")
echo "reader: $reads reads during 100 replacements, $bad not a whole user.drc"
if [ "$sum_a" = "$sum_b" ] || [ "$bad" -ne 0 ] || [ "$reads" -lt 100 ]; then
  fail reader-during-replacements "$bad of $reads reads found no whole file: $(grep -v -x -e "$sum_a" -e "$sum_b" "$scratch/reads.txt" | head -3)"
else
  pass
fi

# What the user set on an output stays: its mode, its owner and group (as
# root), its ACL; another hard link to it keeps the old content.
load_drive
chmod 600 "$drive/user.drc"
chmod 640 "$drive/audio.txt"
ln "$drive/video.txt" "$scratch/video-link.txt"
[ "$(id -u)" = 0 ] && chown 65534:65534 "$drive/audio.txt"
acl=no
if command -v setfacl >/dev/null && setfacl -m u:65534:rw "$drive/tunewerk.txt" 2>/dev/null; then
  acl=$(getfacl -c "$drive/tunewerk.txt" 2>/dev/null)
fi
run_in_drive
expect_success metadata-kept
if [ "$(stat -c %a "$drive/user.drc")" != 600 ] || [ "$(stat -c %a "$drive/audio.txt")" != 640 ]; then
  fail metadata-kept "modes $(stat -c %a "$drive/user.drc") $(stat -c %a "$drive/audio.txt"), expected 600 640"
else
  pass
fi
if [ "$(id -u)" = 0 ] && [ "$(stat -c %u:%g "$drive/audio.txt")" != 65534:65534 ]; then
  fail metadata-kept "audio.txt is owned by $(stat -c %u:%g "$drive/audio.txt")"
fi
if [ "$acl" != no ] && [ "$(getfacl -c "$drive/tunewerk.txt" 2>/dev/null)" != "$acl" ]; then
  fail metadata-kept "the ACL of tunewerk.txt was not kept: $(getfacl -c "$drive/tunewerk.txt")"
elif [ "$acl" = no ]; then
  skip acl-kept "setfacl is missing or the file system has no ACLs"
fi
if [ "$(cat "$scratch/video-link.txt")" != "$(printf 'old video.txt\r\n')" ]; then
  fail other-hard-link "another name of video.txt does not keep the old content"
else
  pass
fi

# A folder with a default ACL: a new output has the old one's ACL (none), not
# the folder's default entries.
load_drive
if command -v setfacl >/dev/null && setfacl -d -m u:65534:rwx "$drive" 2>/dev/null; then
  run_in_drive
  expect_success default-acl
  if getfacl -c "$drive/user.drc" 2>/dev/null | grep -q '^user:65534:'; then
    fail default-acl "user.drc gained the folder's default entries"
  else
    pass
  fi
  setfacl -k "$drive"
else
  skip default-acl "setfacl is missing or the file system has no ACLs"
fi

# An output that is a symbolic link is refused before anything changes.
load_drive
mkdir "$scratch/elsewhere"
printf 'old list\r\n' >"$scratch/elsewhere/audio.txt"
rm "$drive/audio.txt"
ln -s ../elsewhere/audio.txt "$drive/audio.txt"
before=$(drive_state)
run_in_drive
expect_failure output-symbolic-link \
  '^tunewerk: cannot replace audio\.txt: it is a symbolic link to \.\./elsewhere/audio\.txt; ' "$before"
if [ "$(cat "$scratch/elsewhere/audio.txt")" != "$(printf 'old list\r\n')" ]; then fail output-symbolic-link "the link's target changed"; fi
rm -rf "$scratch/elsewhere"

# A read-only file system: the run says so when it makes its lock (not that a
# leftover it never had cannot be removed), and changes nothing.
load_drive
mkdir "$scratch/ro"
if mount -t tmpfs -o size=8m tunewerk-ro "$scratch/ro" 2>/dev/null; then
  cp -p "$drive"/* "$scratch/ro/"
  mount -o remount,ro "$scratch/ro"
  (cd "$scratch/ro" && "$program" --batch >/dev/null 2>"$scratch/stderr.txt")
  status=$?
  if [ $status -ne 1 ] ||
    [ "$(cat "$scratch/stderr.txt")" != "tunewerk: cannot lock this folder: Read-only file system" ]; then
    fail read-only-file-system "exit $status, stderr: $(cat "$scratch/stderr.txt")"
  else
    pass
  fi
  umount "$scratch/ro"
else
  skip read-only-file-system "mounting a tmpfs is not permitted here"
fi
rmdir "$scratch/ro"

fi

rm -rf "$drive"
echo "faults: all cases $(($(date +%s) - started)) s"
tally faults
