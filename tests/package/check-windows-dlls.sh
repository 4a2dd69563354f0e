#!/usr/bin/env bash
# Checks that a MinGW-built program imports only DLLs that every Windows installation has, so it
# runs from a copy without an installer. Usage: check-windows-dlls.sh PROGRAM.exe
set -uo pipefail
exe=$1
windows_own='^(KERNEL32|USER32|GDI32|ADVAPI32|msvcrt)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p') || exit 1
[ -n "$dlls" ] || { echo "check-windows-dlls: no import table in $exe"; exit 1; }
others=$(grep -viE "$windows_own" <<<"$dlls")
if [ -n "$others" ]; then
    echo "check-windows-dlls: $exe needs" $others
    exit 1
fi
echo "check-windows-dlls: $exe imports only" $dlls
