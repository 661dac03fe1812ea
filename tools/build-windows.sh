#!/usr/bin/env bash
# Cross-builds the Windows game on Debian 12 with mingw-w64: build-windows/ropi.exe,
# which needs nothing but Windows itself, and the Windows build of the tests.
# Installs what is missing first. Fails when ropi.exe imports a DLL that is not
# Windows' own, or when the stripped executable is 1 MB or more.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-windows"
"$root/tools/setup.sh" windows
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"

exe="$build/ropi.exe"
stripped="$build/ropi-stripped.exe"
x86_64-w64-mingw32-strip -o "$stripped" "$exe"
size=$(stat -c %s "$stripped")
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
# Windows' own DLLs, and nothing of the compiler's (libstdc++, libgcc, libwinpthread).
own='^(advapi32|comctl32|gdi32|imm32|kernel32|msimg32|msvcrt|ole32|oleaut32|shell32|user32|windowscodecs|winmm|api-ms-win-.*)\.dll$'
unexpected=$(grep -v -E "$own" <<<"$imports" || true)
echo "ropi.exe: $((size / 1024)) KiB stripped; imports: $(tr '\n' ' ' <<<"$imports")"
[[ -z "$unexpected" ]] || { echo "ropi.exe needs DLLs that Windows does not ship: $unexpected" >&2; exit 1; }
((size < 1024 * 1024)) || { echo "the stripped ropi.exe is not under 1 MB" >&2; exit 1; }
