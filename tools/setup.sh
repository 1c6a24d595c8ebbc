#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds Tallyminder, then starts it ("run"),
# runs every test ("test") or makes the Debian package ("package").
#
#   bash tools/setup.sh run       build and start the program in its data folder
#   bash tools/setup.sh test      build and run every test
#   bash tools/setup.sh package   build and make build/tallyminder_<version>_<arch>.deb
#
# The program keeps its table files in its working folder; "run" starts it in
# $TALLYMINDER_DATA (default: ~/Tallyminder), created when missing, never in the source tree.
set -euo pipefail

mode="${1:-run}"
case "$mode" in run|test|package) ;; *) echo "usage: $0 run|test|package" >&2; exit 2 ;; esac

src="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TALLYMINDER_BUILD:-$src/build}"

packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core libssl-dev openssl
          ca-certificates fonts-liberation libqt6svg6 libcurl4-openssl-dev libgmime-3.0-dev
          libical-dev libicu-dev qtkeychain-qt6-dev)
if [ "$mode" != run ]; then
    packages+=(dpkg-dev file)
fi
if [ "$mode" = test ]; then
    packages+=(python3 python3-aiosmtpd python3-dbusmock dbus curl xvfb xauth desktop-file-utils
               appstream poppler-utils clang dovecot-imapd)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs="$(nproc 2>/dev/null || echo 2)"
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$jobs"

if [ "$mode" = run ]; then
    data="${TALLYMINDER_DATA:-$HOME/Tallyminder}"
    mkdir -p "$data"
    cd "$data"
    exec "$build/tallyminder"
elif [ "$mode" = package ]; then
    cd "$build"
    cpack -G DEB
else
    (cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 600)
    # The fuzz targets need clang (libFuzzer): a short smoke run of each.
    if command -v clang++ >/dev/null; then
        fuzz="${build}-fuzz"
        CC=clang CXX=clang++ cmake -S "$src" -B "$fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DTALLYMINDER_BENCH=OFF
        cmake --build "$fuzz" --target fuzz_targets -j "$jobs"
        (cd "$fuzz" && ctest -L fuzz --output-on-failure -j "$jobs")
    fi
fi
