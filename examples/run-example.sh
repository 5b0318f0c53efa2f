#!/bin/sh
# Runs the program on a scratch copy of the example drive and shows what it
# made. Usage: run-example.sh TUNEWERK EXAMPLE_DRIVE SCRATCH_DIR
set -eu
program=$1 example=$2 scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"
cp "$example"/user.sdx "$example"/vaz3er.ini "$example"/3ci.drc "$scratch"/
cd "$scratch"
echo "== answers: scrambled y, C-band n, sort (Enter = yes), feeds y"
status=0
printf 'y\nn\n\ny\n' | "$program" >console.txt || status=$?
echo "== console (exit status $status)"
cat console.txt
echo "== files in $scratch"
ls -l
echo "== tunewerk.txt"
tr -d '\r' <tunewerk.txt
echo "== video.txt"
tr -d '\r' <video.txt
echo "== audio.txt"
tr -d '\r' <audio.txt
exit "$status"
