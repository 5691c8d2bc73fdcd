#!/usr/bin/env bash
# check_install.sh BUILD_DIR SOURCE_DIR CMAKE CC: install, then build and run a C consumer twice.
set -euo pipefail
build=$1 src=$2 cmake=$3 cc=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null

# pkg-config
export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
"$cc" "$src/consumer.c" -o "$work/consumer-pc" $(pkg-config --cflags --libs vxraster)
"$work/consumer-pc"

# find_package
mkdir -p "$work/cm/src"
cp "$src/consumer.c" "$work/cm/src/"
cp "$src/CMakeLists.consumer.txt" "$work/cm/src/CMakeLists.txt"
"$cmake" -S "$work/cm/src" -B "$work/cm/build" -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_C_COMPILER="$cc" >/dev/null
"$cmake" --build "$work/cm/build" >/dev/null
"$work/cm/build/consumer"
