#!/usr/bin/env bash
# Installs the Debian 12 packages Quillon needs to build, run and test (only the missing ones);
# with --check also those of scripts/check.sh.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config zlib1g-dev ccache lld
      qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev sqlite3 libgl1-mesa-dev qt6-charts-dev libqt6opengl6-dev
      libjpeg62-turbo-dev libjpeg-turbo-progs
      xvfb xauth fonts-dejavu-core
      expect telnet busybox iputils-ping iproute2 dnsmasq-base bind9-dnsutils
      traceroute mtr-tiny nsd nftables iptables
      python3 python3-pyftpdlib time bc prometheus
      dpkg-dev file lintian desktop-file-utils appstream xdotool xclip strace trayer)
# The sanitizer and fuzzer tree of scripts/check.sh builds with clang.
if [ "${1:-}" = "--check" ]; then
    pkgs+=(clang libfuzzer-14-dev)
fi
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A BusyBox with telnetd, login and ash for the end-to-end router tests. Debian's
# busybox-static conflicts with the busybox package, so it is unpacked, not installed.
bbdir=/var/cache/quillon/busybox-static
if [ ! -x "$bbdir/bin/busybox" ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    tmp=$(mktemp -d)
    if (cd "$tmp" && { apt-get download -qq busybox-static >/dev/null 2>&1 \
            || { $SUDO apt-get update -qq && apt-get download -qq busybox-static >/dev/null 2>&1; }; }); then
        dpkg-deb -x "$tmp"/busybox-static_*.deb "$tmp/x"
        $SUDO mkdir -p "$bbdir/bin"
        $SUDO cp "$tmp/x/bin/busybox" "$bbdir/bin/busybox"
    fi
    rm -rf "$tmp"
fi
