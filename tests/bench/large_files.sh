#!/bin/sh
# Peak memory and time of compiling one 1 GiB icon and one 1 GiB data file (sparse files,
# so that the disk holds only what is written). Not run by the tests.
#   tests/bench/large_files.sh [path/to/tarvex] [folder for the files, default $TMPDIR or /tmp]
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
truncate -s $size "$work/big.ico" "$work/big.bin"
printf '1 ICON big.ico\n' >"$work/icon.rc"
printf '1 RCDATA big.bin\n' >"$work/data.rc"

# Three runs each: on a shared machine the fastest tells most about the compiler.
for name in icon data icon data icon data; do
  rm -f "$work/$name.res"
  sync  # earlier writes must not be flushed during this run
  (cd "$work" && /usr/bin/time -f "$name peak %M KiB  elapsed %e s  cpu %U+%S s" "$tarvex" "$name.rc" "$name.res" >/dev/null)
done
