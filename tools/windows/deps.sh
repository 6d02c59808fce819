#!/usr/bin/env bash
# Builds the Windows libraries the game and its tests link (SDL2, libmpg123, libsoxr and, for the
# tests' fixtures, libmp3lame) from Debian's own source packages, at the very versions the Linux
# build uses, and GoogleTest from the source Debian installs, into one prefix. A finished prefix
# is kept in a cache outside the checkout, so a fresh clone on the same machine copies it instead
# of building again.
#
# usage: tools/windows/deps.sh <build folder> <toolchain file>
set -euo pipefail

# One block, read whole before any of it runs, so that editing the script cannot upset a run.
{
build_dir=$(realpath -m "$1")
toolchain=$(realpath "$2")
host=x86_64-w64-mingw32
prefix="$build_dir/deps"
jobs=$(nproc)

# Source package and version of each library, as installed for the Linux build.
sources=()
for dev in libsdl2-dev libmpg123-dev libsoxr-dev libmp3lame-dev; do
  sources+=("$(dpkg-query -W -f='${source:Package}=${source:Version}' "$dev")")
done
googletest=$(dpkg-query -W -f='${Version}' googletest)
# Raised whenever the way the libraries are built below changes.
recipe=4
key=$(printf '%s\n' "${sources[@]}" "$googletest" "$recipe" "$(sha256sum <"$toolchain")" |
  sha256sum | cut -c1-16)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/korvanta/windows-deps-$key"

if [ -f "$prefix/.complete-$key" ]; then
  exit 0
fi
if [ -f "$cache/.complete-$key" ]; then
  echo "Windows libraries: restored from $cache"
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  cp -a "$cache" "$prefix"
  # pkg-config files name the folder they were installed to; this copy is elsewhere.
  sed -i "s|^prefix=.*|prefix=$prefix|" "$prefix"/lib/pkgconfig/*.pc
  exit 0
fi

# apt gets a private configuration: the machine's own Debian sources as source lists, and state
# and cache folders of its own, so nothing outside the build folder changes.
apt_dir="$build_dir/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/state/lists/partial" \
  "$apt_dir/cache/archives/partial"
: >"$apt_dir/sources.list"
found=0
for list in /etc/apt/sources.list.d/*.sources; do
  [ -f "$list" ] || continue
  sed -E 's/^Types:.*/Types: deb-src/' "$list" >"$apt_dir/sources.list.d/$(basename "$list")"
  found=1
done
if [ -f /etc/apt/sources.list ]; then
  sed -nE 's/^deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list"
  grep -q . "$apt_dir/sources.list" && found=1
fi
if [ "$found" = 0 ]; then
  echo "Windows libraries: this machine names no Debian package source to fetch sources from" >&2
  exit 1
fi
apt_options=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list"
  -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
  -o "Dir::State=$apt_dir/state" -o "Dir::Cache=$apt_dir/cache"
  -o "Dir::State::status=/var/lib/dpkg/status" -o "APT::Sandbox::User=root")

src_dir="$build_dir/src"
mkdir -p "$src_dir"
# The source tree of `package=version`, fetched and unpacked once.
fetch() {
  local wanted=$1 name=${1%%=*} version=${1#*=}
  local upstream=${version#*:}
  upstream=${upstream%-*}
  local tree="$src_dir/$name-$upstream"
  if [ ! -d "$tree" ]; then
    if [ ! -f "$apt_dir/updated" ]; then
      if ! apt-get "${apt_options[@]}" update -qq >"$apt_dir/update.log" 2>&1; then
        echo "Windows libraries: apt cannot read the source lists (see $apt_dir/update.log)" >&2
        exit 1
      fi
      touch "$apt_dir/updated"
    fi
    local log="$apt_dir/source-$name.log"
    if ! (cd "$src_dir" && apt-get "${apt_options[@]}" source -qq "$wanted" >"$log" 2>&1); then
      # Some mirrors lack the upstream signature files (.asc). apt has checked the .dsc against
      # the signed index, and dpkg-source checks every other file against the .dsc, so without
      # them the source is still the one Debian published.
      local dsc="$src_dir/${name}_$upstream-${version##*-}.dsc"
      if [ -f "$dsc" ] && ! grep -E 'Failed to fetch [a-z]+://' "$log" | grep -qv '\.asc '; then
        grep -v '\.asc$' "$dsc" >"$dsc.without-asc"
        dpkg-source --no-check -x "$dsc.without-asc" "$tree" >>"$log" 2>&1 || tree=""
      else
        tree=""
      fi
      if [ -z "$tree" ]; then
        echo "Windows libraries: cannot fetch the source package $wanted (see $log)" >&2
        exit 1
      fi
    fi
  fi
  echo "$tree"
}

cmake_dep() {
  local tree=$1 build=$2
  shift 2
  cmake -S "$tree" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -Wno-dev "$@" \
    >"$build.log" 2>&1
  cmake --build "$build" -j"$jobs" >>"$build.log" 2>&1
  cmake --install "$build" >>"$build.log" 2>&1
}

# A pkg-config file for a library whose build writes none for Windows: name, version, library
# and, where its headers have a folder of their own, that folder.
write_pc() {
  local cflags="-I\${prefix}/include"
  [ -z "${4:-}" ] || cflags+=" -I\${prefix}/include/$4"
  cat >"$prefix/lib/pkgconfig/$1.pc" <<PC
prefix=$prefix
Name: $1
Description: $1 for Windows
Version: $2
Libs: -L\${prefix}/lib -l$3
Cflags: $cflags
PC
}

autotools_dep() {
  local tree=$1
  shift
  (cd "$tree" && CC="ccache $host-gcc-posix" ./configure --host="$host" --prefix="$prefix" \
    --enable-static --disable-shared "$@" && make -j"$jobs" && make install) \
    >"$tree/build-win.log" 2>&1
}

rm -rf "$prefix"
mkdir -p "$prefix"
for wanted in "${sources[@]}"; do
  tree=$(fetch "$wanted")
  echo "Windows libraries: building ${wanted%%=*} ${wanted#*=}"
  case ${wanted%%=*} in
    # SDL is the one shared library: its DLL goes into the zip beside the game.
    libsdl2) cmake_dep "$tree" "$tree/build-win" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF ;;
    mpg123)
      autotools_dep "$tree" --with-cpu=x86-64 --disable-modules --with-default-audio=dummy \
        --with-audio=dummy
      # Linked statically, it needs its private libraries (shlwapi) on every link line.
      sed -i -e '/^Libs.private:/d' \
        -e "s|^Libs:.*|& $(sed -n 's/^Libs.private://p' "$prefix/lib/pkgconfig/libmpg123.pc")|" \
        "$prefix/lib/pkgconfig/libmpg123.pc"
      ;;
    libsoxr)
      cmake_dep "$tree" "$tree/build-win" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF \
        -DWITH_OPENMP=OFF -DWITH_LSR_BINDINGS=OFF -DBUILD_EXAMPLES=OFF
      # Its build writes soxr.pc everywhere but on Windows; the game finds it through pkg-config.
      write_pc soxr "${tree##*-}" soxr
      ;;
    lame)
      # Debian's own lame.pc comes with a rebuild of the autotools files, which this skips.
      autotools_dep "$tree" --disable-frontend --disable-decoder
      write_pc lame "${tree##*-}" mp3lame lame
      ;;
  esac
done
echo "Windows libraries: building GoogleTest $googletest"
cmake_dep /usr/src/googletest "$src_dir/googletest-build" -DBUILD_GMOCK=OFF
touch "$prefix/.complete-$key"
# Older builds of the cache are of no more use; the new one appears whole or not at all.
rm -rf "${cache%-*}"-*
mkdir -p "$(dirname "$cache")"
cp -a "$prefix" "$cache.partial"
mv "$cache.partial" "$cache"
exit 0
}
