#!/usr/bin/env bash
# The Windows build: cross-builds the game and its unit tests with mingw-w64, runs the tests and
# the game itself under wine, and packs the zip players download. `./dev windows` calls it once the
# Linux build has made the sound packs and the listening tool.
#
# usage: tools/windows/build.sh <Linux build folder> <Windows build folder>
set -euo pipefail
cd "$(dirname "$0")/../.."

linux=$(realpath "$1")
out=$(realpath -m "$2")
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)
mkdir -p "$out"

tools/windows/deps.sh "$out" "$toolchain"
deps="$out/deps"

# wine in a prefix of our own (or the one KORVANTA_WINEPREFIX names), quiet, without the browser
# and .NET engines it would offer to install, without the menu builder, which would write menus
# and file types into the host's desktop, and finding SDL2.dll where the libraries were built.
# `wine-run wineserver -k` ends whatever the prefix still runs.
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=$(command -v wine64)
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
runner="$out/wine-run"
cat >"$runner" <<RUNNER
#!/bin/sh
export WINEPREFIX="\${KORVANTA_WINEPREFIX:-$out/wine}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPATH="Z:${deps//\//\\}\\bin"
[ "\$1" = wineserver ] && shift && exec "$wineserver" "\$@"
exec "$wine64" "\$@"
RUNNER
chmod +x "$runner"
if [ ! -f "$out/wine/system.reg" ]; then
  echo "Windows build: preparing the wine prefix"
  "$runner" wineboot -i >"$out/wineboot.log" 2>&1
fi

echo "Windows build: compiling the game and its tests"
cmake -S . -B "$out/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DKORVANTA_WINDOWS_DEPS="$deps" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANTA_WERROR=ON -DKORVANTA_PACKGEN=OFF \
  -DKORVANTA_BENCH=OFF -DCMAKE_CROSSCOMPILING_EMULATOR="$runner" \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DKORVANTA_MANUAL_ADDRESS=manual/index.html >"$out/configure.log"
cmake --build "$out/build" -j"$jobs"

echo "Windows build: the unit tests under wine"
ctest --test-dir "$out/build" --output-on-failure -j"$jobs"

# What the player unpacks: the program, SDL's DLL, the packs, the manual, and a starter per pack.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/build/CMakeCache.txt")
name="korvanta-$version-windows-x64"
stage="$out/stage/$name"
rm -rf "$out/stage"
mkdir -p "$stage/manual"
# Without their debugging symbols, which players have no use for.
x86_64-w64-mingw32-strip -o "$stage/korvanta.exe" "$out/build/program/korvanta.exe"
x86_64-w64-mingw32-strip --strip-unneeded -o "$stage/SDL2.dll" "$deps/bin/SDL2.dll"
cp docs/index.html docs/index.es.html "$stage/manual/"
sed 's/$/\r/' tools/windows/README.txt >"$stage/README.txt"
# Of each pack, its sounds and the file naming its language, as the Linux install takes them: the
# Linux build's pack folder is also its build folder for pack/, objects and all.
stage_pack() {
  mkdir -p "$2"
  find "$1" -maxdepth 1 -type f \( -iname '*.mp3' -o -name language.txt \) -exec cp -t "$2" {} +
}
stage_pack "$linux/pack" "$stage/sounds"
cp tools/windows/play-en.bat "$stage/Play KORVANTA.bat"
if [ -d "$linux/pack-es" ]; then
  stage_pack "$linux/pack-es" "$stage/sounds-es"
  cp tools/windows/play-es.bat "$stage/Jugar KORVANTA.bat"
fi

# The setup program installs the very files the zip holds.
setup="$out/korvanta-$version-setup.exe"
tools/windows/setup.sh "$stage" "$version" "$setup"

echo "Windows build: the game under wine, installed and listened to"
tools/windows/smoke.sh "$runner" "$stage" "$setup" "$linux/tests/e2e/e2e_heard" "$out/smoke"

rm -f "$out/$name.zip"
(cd "$out/stage" && zip -q -r -X "$out/$name.zip" "$name")
echo "Windows build: $out/$name.zip ($(du -h "$out/$name.zip" | cut -f1))"
echo "Windows build: $setup ($(du -h "$setup" | cut -f1))"
