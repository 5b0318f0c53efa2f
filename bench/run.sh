#!/bin/bash
# Builds the release program, makes the bench drives and measures them side by
# side with wc -l and cat on the same bytes. Figures go to stdout; copy them
# into bench/RESULTS.md.
#
# Environment: RUNS (rounds, default 7), SEED (default 1), BUILD_DIR (default:
# the release preset's build/release), BENCH_DIR (scratch, default a fresh
# directory under /tmp, removed at exit; it needs about 1 GB), BEFORE (another
# tunewerk program, say one of an earlier commit, measured beside this one on
# the lists of each line length).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-7}
seed=${SEED:-1}
tool="python3 $root/bench/benchtool.py"

if [ -z "${BUILD_DIR:-}" ]; then
  (cd "$root" && cmake --preset release >/dev/null && cmake --build --preset release --target tunewerk >/dev/null)
  BUILD_DIR=$root/build/release
else
  BUILD_DIR=$(realpath -m "$BUILD_DIR")
  cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD_DIR" -j2 --target tunewerk >/dev/null
fi
program=$BUILD_DIR/tunewerk

if [ -z "${BENCH_DIR:-}" ]; then
  BENCH_DIR=$(mktemp -d /tmp/tunewerk-bench.XXXXXX)
  trap 'rm -rf "$BENCH_DIR"' EXIT
fi
mkdir -p "$BENCH_DIR"
data=$(realpath "$BENCH_DIR")

echo "== machine"
echo "nproc: $(nproc)"
echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "memory: $(free -m | awk '/^Mem:/ {print $2 " MB"}')"
echo "kernel: $(uname -r)"
echo "file system of the drives: $(df -T "$data" | awk 'NR == 2 {print $2}')"
echo "compiler: $(grep -m1 CMAKE_CXX_COMPILER: "$BUILD_DIR/CMakeCache.txt" | cut -d= -f2) $(grep -m1 CMAKE_CXX_COMPILER_VERSION "$BUILD_DIR/CMakeFiles/"*/CMakeCXXCompiler.cmake | sed 's/.*"\(.*\)".*/\1/')"
echo "seed: $seed, rounds: $runs"

echo "== making the drives"
$tool max-drive "$data/max" --seed "$seed"
cp -r "$data/max" "$data/max-unsorted"
for size in 100 200 1; do
  $tool rejected-drive "$data/rejected-${size}mb" --bytes $((size * 1024 * 1024)) --seed "$seed"
done
$tool rejected-drive "$data/rejected-lf-100mb" --bytes $((100 * 1024 * 1024)) --seed "$seed" --bare-lf
# Lists in use have lines longer than 126 columns; the import cuts them.
mix=100,126,127,132,200
for columns in 127 132 $mix; do
  $tool rejected-drive "$data/rejected-${columns//,/-}-100mb" --bytes $((100 * 1024 * 1024)) --seed "$seed" --columns "$columns"
done
lengths="rejected-127-100mb rejected-132-100mb rejected-${mix//,/-}-100mb"
printf 'y\ny\n\ny\n' >"$data/answers-sorted"
printf 'y\ny\nn\ny\n' >"$data/answers-unsorted"
for d in max max-unsorted rejected-100mb rejected-lf-100mb $lengths rejected-200mb rejected-1mb; do
  echo "$d: $(stat -c %s "$data/$d/user.sdx") bytes, $(wc -l <"$data/$d/user.sdx") lines"
done

# One run each first: it warms the page cache and makes the outputs that the
# cat of the maximal drive reads.
for d in max rejected-100mb rejected-lf-100mb $lengths rejected-200mb rejected-1mb; do
  (cd "$data/$d" && "$program" <"$data/answers-sorted" >console.txt 2>warnings.txt)
done
(cd "$data/max-unsorted" && "$program" <"$data/answers-unsorted" >console.txt 2>warnings.txt)
word() { od -An -tu1 -j"$2" -N2 "$1" | awk '{print $1 * 256 + $2}'; }
tps=$(word "$data/max/user.drc" 27016)
progs=$(word "$data/max/user.drc" 73022)
echo "maximal drive: $tps transponders, $progs programmes"
[ "$tps" = 999 ] && [ "$progs" = 2999 ] || { echo "the maximal drive does not fill both tables" >&2; exit 1; }
for d in rejected-100mb rejected-lf-100mb $lengths rejected-200mb rejected-1mb; do
  [ "$(word "$data/$d/user.drc" 73022)" = 0 ] || { echo "$d: a record was accepted" >&2; exit 1; }
done

# The live terminal: the program on a pseudo-terminal of 80 x 25 made by
# script(1), what it draws going to a file. The redirected run it is held
# against goes through the same wrapper, its output to a file instead, so that
# the wrapper's own start-up cancels out.
in_pty() {
  echo "script -qefc 'stty cols 80 rows 25; exec $program <$data/answers-sorted $1' /dev/null"
}
live=$(in_pty "")
redirected=$(in_pty ">$data/rejected-100mb/console.txt")

# Each list with wc -l on its bytes, in alternating rounds; BEFORE beside.
length_cases=()
for columns in 126 127 132 $mix; do
  d=rejected-${columns//,/-}-100mb
  [ "$columns" = 126 ] && d=rejected-100mb
  label="$columns columns"
  [ "$columns" = "$mix" ] && label="mix of $columns"
  length_cases+=(--case "wc -l ($label)" "$data" - "$data/wc.txt" "wc -l $data/$d/user.sdx")
  length_cases+=(--case "tunewerk ($label)" "$data/$d" "$data/answers-sorted" "$data/$d/console.txt" "$program")
  if [ -n "${BEFORE:-}" ]; then
    length_cases+=(--case "before ($label)" "$data/$d" "$data/answers-sorted" "$data/$d/console.txt" "$(realpath "$BEFORE")")
  fi
done
echo
echo "== rejected-record lists (100 MB, CR LF) by line length: import against wc -l, same bytes,"
echo "   in alternating rounds (the 126-column records with bare LF line ends beside them)"
length_checks=(--check cpu "tunewerk (126 columns)" "wc -l (126 columns)" 2
               --check cpu "tunewerk (132 columns)" "wc -l (132 columns)" 1.5)
if [ -n "${BEFORE:-}" ]; then
  length_checks+=(--check cpu "tunewerk (126 columns)" "before (126 columns)" 1.0)
fi
$tool measure --runs "$runs" "${length_cases[@]}" \
  --case "wc -l (126 columns, bare LF)" "$data" - "$data/wc.txt" "wc -l $data/rejected-lf-100mb/user.sdx" \
  --case "tunewerk (126 columns, bare LF)" "$data/rejected-lf-100mb" "$data/answers-sorted" "$data/rejected-lf-100mb/console.txt" "$program" \
  "${length_checks[@]}"

echo
echo "== peak memory: 1 MB against 200 MB list (with cat of the 200 MB for scale)"
$tool measure --runs "$runs" \
  --case "cat >/dev/null (200 MB)" "$data" "$data/rejected-200mb/user.sdx" - "cat" \
  --case "tunewerk (200 MB rejected)" "$data/rejected-200mb" "$data/answers-sorted" "$data/rejected-200mb/console.txt" "$program" \
  --case "tunewerk (1 MB rejected)" "$data/rejected-1mb" "$data/answers-sorted" "$data/rejected-1mb/console.txt" "$program" \
  --check rss "tunewerk (200 MB rejected)" "tunewerk (1 MB rejected)" 1024

echo
echo "== live terminal (80 x 25) against the redirected run, 100 MB rejected list, both in script(1)"
$tool measure --runs "$runs" \
  --case "tunewerk redirected" "$data/rejected-100mb" - - "$redirected" \
  --case "tunewerk live 80x25" "$data/rejected-100mb" - "$data/rejected-100mb/live.txt" "$live" \
  --check ratio "tunewerk live 80x25" "tunewerk redirected" 1.2

max=$data/max
echo
echo "== maximal drive (999 transponders, 2999 programmes): whole run against cat of its bytes"
echo "   (wall includes the fsync of the four outputs; cpu is user + system time)"
$tool measure --runs $((runs * 3)) \
  --case "cat inputs+outputs >/dev/null" "$max" - - "cat user.sdx vaz3er.ini 3ci.drc user.drc tunewerk.txt audio.txt video.txt" \
  --case "tunewerk (sorting on)" "$max" "$data/answers-sorted" "$max/console.txt" "$program" \
  --case "tunewerk (sorting off)" "$data/max-unsorted" "$data/answers-unsorted" "$data/max-unsorted/console.txt" "$program" \
  --check ratio "tunewerk (sorting on)" "cat inputs+outputs >/dev/null" 3 \
  --check share "tunewerk (sorting on)" "tunewerk (sorting off)" 5

if cmake --build "$BUILD_DIR" -j2 --target tunewerk_micro >/dev/null 2>&1; then
  echo
  echo "== micro-benchmarks (Google Benchmark): record echo and record reader"
  "$BUILD_DIR/bench/micro/tunewerk_micro"
fi
