#!/usr/bin/env bash
# Builds the Debian package (quillon_<version>_<arch>.deb) in Release with
# Debian's hardening flags and prints its path. Install it with
#   sudo apt install ./build-package/quillon_<version>_<arch>.deb
# Usage: scripts/package.sh [build folder, default build-package]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build="${1:-build-package}"
export DEB_BUILD_MAINT_OPTIONS=hardening=+bindnow
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/quillon_*.deb
