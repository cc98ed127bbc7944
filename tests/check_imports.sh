#!/usr/bin/env bash
# Fails when an exe imports anything but Windows system DLLs (a MinGW runtime
# DLL such as libstdc++, libgcc or libwinpthread would not be on a user's PC),
# or when the shipped 32-bit exe has outgrown 64 KiB.
set -u
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|msvcrt)\.dll$'
status=0
for exe in "$@"; do
  if [ ! -f "$exe" ]; then
    echo "missing: $exe (build it first)"; status=1; continue
  fi
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  [ -n "$dlls" ] || { echo "$exe: no imports found"; status=1; }
  for dll in $dlls; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
      echo "$exe imports $dll"; status=1
    fi
  done
  echo "$exe: $(echo "$dlls" | tr '\n' ' ')"
  if x86_64-w64-mingw32-objdump -f "$exe" | grep -q 'file format pei-i386$'; then
    size=$(stat -c %s "$exe")
    if [ "$size" -ge 65536 ]; then echo "$exe is $size bytes, over 64 KiB"; status=1; fi
  fi
done
exit $status
