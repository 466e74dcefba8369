#!/usr/bin/env bash
# Checks that a built Windows executable is for the expected machine (x86, or x64 for the 64-bit
# twin that the Wine tests run where 32-bit programs cannot), has the expected subsystem and
# imports only DLLs that ship with Windows, as objdump reads its headers.
# Usage: check-pe.sh EXE gui|console x86|x64
set -euo pipefail
exe=$1 subsystem=$2 machine=$3

case $machine in
    x86) tool=i686-w64-mingw32-objdump format=pei-i386 ;;
    x64) tool=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
esac
case $subsystem in
    gui) wanted="Windows GUI" ;;
    console) wanted="Windows CUI" ;;
esac

headers=$("$tool" -p "$exe")
problems=()
grep -q "file format $format\$" <<<"$headers" || problems+=("not $format")
grep -q "^Subsystem.*($wanted)" <<<"$headers" || problems+=("subsystem is not $wanted")
system=" kernel32.dll user32.dll shell32.dll msvcrt.dll advapi32.dll gdi32.dll ole32.dll "
for dll in $(sed -n 's/^\s*DLL Name: //p' <<<"$headers"); do
    [[ $system == *" ${dll,,} "* ]] || problems+=("imports $dll, which Windows does not ship")
done
for problem in "${problems[@]}"; do
    echo "$exe: $problem"
done
[ ${#problems[@]} -eq 0 ]
