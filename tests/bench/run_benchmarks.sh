#!/usr/bin/env bash
# Whole-process timings of the compiler on the generated benchmark scripts: for each
# script the median of RUNS runs (default 7, after one warm-up) of the elapsed time and of
# the processor time (user plus system, which a busy machine changes less). Not run by
# the tests.
#
#   tests/bench/run_benchmarks.sh [path/to/tarvex] [runs]
#
# The scripts come from ../shared/bench/genscripts.py (or $TARVEX_GENSCRIPTS). Output
# goes to a tmpfs folder when /dev/shm exists, so that the disk stays out of the figures.
set -eu

tarvex=$(realpath "${1:-build/tarvex}")
runs=${2:-7}
gen=$(realpath "${TARVEX_GENSCRIPTS:-$(dirname "$0")/../../../shared/bench/genscripts.py}")
base=/tmp
[ -d /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/tarvex-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM HUP
python3 "$gen" "$work" >/dev/null
cd "$work"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

TIMEFORMAT='%R %U %S'
printf '%-16s %10s %9s %9s\n' script bytes "wall s" "cpu s"
for script in empty strings-10000 strings-60000 rcdata-2000 rcdata-20000 defines-2000 defines-20000 \
  dialogs-1000 dialogs-10000 mixed; do
  [ -f "$script.rc" ] || continue
  "$tarvex" "$script.rc" out.res >/dev/null
  : >times.txt
  for ((i = 0; i < runs; i++)); do
    { time "$tarvex" "$script.rc" out.res >/dev/null; } 2>>times.txt
  done
  wall=$(awk '{ print $1 }' times.txt | median)
  cpu=$(awk '{ printf "%.3f\n", $2 + $3 }' times.txt | median)
  printf '%-16s %10s %9s %9s\n' "$script" "$(cat "$script".* | wc -c)" "$wall" "$cpu"
done
