# The tally every shell suite keeps, sourced at its start.
failures=0
passes=0
fail() {
  echo "FAIL: $1: $2"
  failures=$((failures + 1))
}
pass() { passes=$((passes + 1)); }
skip() { echo "SKIP: $1: $2"; }
# Passes when the shell condition $2 holds; the failure shows it.
check() { if eval "$2"; then pass; else fail "$1" "$2"; fi; }
# The suite's last line; the status says whether every check passed.
tally() {
  echo "$1: $passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}
# Waits until something stands at $1, for at most $2 seconds.
wait_for_file() {
  tries=0
  while [ ! -e "$1" ] && [ $tries -lt $(($2 * 10)) ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
}
