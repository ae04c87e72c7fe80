#!/usr/bin/env bash
# The Windows build's marel.exe, one check per call, as CTest runs them:
#   windows_exe.sh CHECK OBJDUMP EXE
set -euo pipefail
check="$1" objdump="$2" exe="$3"
fail() { echo "FAIL: $*" >&2; exit 1; }

case "$check" in
imports)
    # Only DLLs that every Windows has: no C++ runtime, libgcc, winpthread,
    # libssp or GLUT DLL to ship beside it.
    imports="$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | sort -f)"
    echo "marel.exe imports: $(echo "$imports" | tr '\n' ' ')"
    [ -n "$imports" ] || fail "no imports found in $exe"
    while read -r dll; do
        case "${dll,,}" in
            kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | winmm.dll | opengl32.dll | glu32.dll | msvcrt.dll) ;;
            *) fail "marel.exe imports $dll, which Windows does not have" ;;
        esac
    done <<<"$imports"
    ;;
console)
    [[ "$("$objdump" -p "$exe")" == *"(Windows CUI)"* ]] || fail "marel.exe is not a console program"
    ;;
resources)
    [[ "$("$objdump" -h "$exe")" == *" .rsrc "* ]] || fail "marel.exe carries no resources (icon, version)"
    ;;
*)
    fail "no check called $check"
    ;;
esac
