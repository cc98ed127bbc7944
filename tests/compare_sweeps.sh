#!/usr/bin/env bash
# compare_sweeps.sh REFERENCE COMMAND...: runs the reference build's face
# sweep and this build's (COMMAND, with its emulator in front), and fails,
# showing the first cases that differ, unless both print the same face.
set -euo pipefail
reference=$1; shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$reference" >"$dir/reference.txt"
"$@" | tr -d '\r' >"$dir/this.txt"
cases=$(wc -l <"$dir/reference.txt")
[ "$cases" -gt 10000 ] || { echo "the reference sweep printed only $cases cases"; exit 1; }
if ! cmp -s "$dir/reference.txt" "$dir/this.txt"; then
  differing=$(diff "$dir/reference.txt" "$dir/this.txt" | grep -c '^<' || true)
  echo "$differing of $cases cases differ from the reference build; the first few (< reference, > this build):"
  { diff "$dir/reference.txt" "$dir/this.txt" | grep '^[<>]' | head -n 8 | cut -c1-400; } || true
  exit 1
fi
echo "$cases cases: the same face as the reference build"
