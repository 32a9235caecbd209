#!/usr/bin/env bash
# The Windows binaries must import Windows system DLLs only (no MinGW
# runtime, libstdc++ or winpthread DLL beside them), plus the project's own
# DLLs and the two outside libraries the Zelk controls are made for. Lists
# every import of every .exe/.dll in a folder and fails on any
# other. Controls (.ocx) are DLLs too.
#   scripts/check-win32-imports.sh <objdump> <folder>
set -euo pipefail
objdump=$1
folder=$2

system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|ws2_32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+|rpcrt4|shlwapi|version|winmm|netapi32|bcrypt|crypt32|uuid|imm32|uxtheme|setupapi)\.dll$'
own_dlls='^(property|kavorin_ctl|konfira)\.dll$'
outside_dlls='^(zelkpay43|kavsignpad_ctl)\.dll$'

shopt -s nullglob nocaseglob
binaries=("$folder"/*.exe "$folder"/*.dll "$folder"/*.ocx)
if [ ${#binaries[@]} -eq 0 ]; then
  echo "check-win32-imports: no binaries in $folder" >&2
  exit 1
fi
bad=0
for binary in "${binaries[@]}"; do
  imports=$("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  echo "$(basename "$binary"): $(echo $imports)"
  for dll in $imports; do
    if ! [[ $dll =~ $system_dlls || $dll =~ $own_dlls || $dll =~ $outside_dlls ]]; then
      echo "  ^ imports $dll, which is not a Windows system DLL" >&2
      bad=1
    fi
  done
done
exit $bad
