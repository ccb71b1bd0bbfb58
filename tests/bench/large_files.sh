#!/bin/sh
# Peak memory and time of compiling one 1 GiB icon and one 1 GiB data file (sparse files,
# so that the disk holds only what is written). Not run by the tests.
#
#   tests/bench/large_files.sh [path/to/tarvex] [folder for the files, default $TMPDIR or /tmp]
#
# A folder on tmpfs (/dev/shm) leaves the disk out of the figures. Each case prints the peak
# resident memory, the elapsed time, the time spent in fsync (when strace is installed) and
# the processor time, which a busy machine changes less than the elapsed time.
set -eu

tarvex=${1:-build/tarvex}
work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/tarvex-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM HUP
size=1073741824

le16() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# An icon with one 32-bit image that fills the file; past its headers the file is a hole.
{
  le16 0; le16 1; le16 1
  printf '\0\0\0\0'; le16 1; le16 32; le32 $((size - 22)); le32 22
  le32 40; le32 256; le32 512; le16 1; le16 32
} >"$work/big.ico"
truncate -s $size "$work/big.ico"
truncate -s $size "$work/big.bin"
printf '1 ICON big.ico\n' >"$work/icon.rc"
printf '1 RCDATA big.bin\n' >"$work/data.rc"

tracer=
if command -v strace >/dev/null 2>&1; then tracer="strace -f --seccomp-bpf -T -e trace=fsync,fdatasync -o $work/trace"; fi

run() {
  name=$1
  rm -f "$work/$name.res" "$work/trace"
  sync  # earlier writes must not be flushed during this run
  (cd "$work" && /usr/bin/time -v $tracer "$tarvex" "$name.rc" "$name.res" >"$work/out" 2>"$work/time") || true
  grep -q 'Compiled successful' "$work/out" || { cat "$work/out"; }
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
  elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time")
  cpu=$(sed -n 's/.*\(User\|System\) time (seconds): //p' "$work/time" | awk '{ s += $1 } END { printf "%.2f", s }')
  fsync=0
  if [ -f "$work/trace" ]; then
    fsync=$(sed -n 's/.*<\([0-9.]*\)>$/\1/p' "$work/trace" | awk '{ s += $1 } END { printf "%.2f", s }')
  fi
  printf '%-6s peak %5d MiB  elapsed %s  of which fsync %s s  cpu %s s\n' "$name" $((peak / 1024)) "$elapsed" "$fsync" "$cpu"
}

# Three runs each: on a shared machine the fastest tells most about the compiler.
for case in icon data; do
  for round in 1 2 3; do run $case; done
done
