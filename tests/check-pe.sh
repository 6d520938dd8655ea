#!/usr/bin/env bash
# check-pe.sh TRIPLET BIN_DIR: the deliverables ship alone (they import only DLLs every Windows has) and
# lumetta32.dll exports exactly its three undecorated entry points.
set -euo pipefail
triplet=$1
bin=$2
objdump=$triplet-objdump
status=0

system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|winmm|wininet|winspool\.drv|shlwapi|msvcrt|version|ws2_32|api-ms-win-.*)(\.dll)?$'

for f in mercanota.exe lumetta32.dll; do
  if [ ! -e "$bin/$f" ]; then echo "missing $bin/$f"; status=1; continue; fi
  while read -r dll; do
    lower=$(tr 'A-Z' 'a-z' <<<"$dll")
    if ! grep -Eq "$system_dlls" <<<"$lower"; then
      echo "$f imports $dll, which is not a system DLL"
      status=1
    fi
  done < <("$objdump" -p "$bin/$f" | sed -n 's/^\s*DLL Name: //p')
done

exports=$("$objdump" -p "$bin/lumetta32.dll" |
  awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^[ \t]*\[/ {print $NF; next} t && NF==0 {t=0}' | sort | tr '\n' ' ')
if [ "$exports" != "DllCanUnloadNow DllGetClassObject ShowImage " ]; then
  echo "lumetta32.dll exports: got [$exports], expected [DllCanUnloadNow DllGetClassObject ShowImage ]"
  status=1
fi
[ $status -eq 0 ] && echo "$triplet: imports and exports as expected"
exit $status
