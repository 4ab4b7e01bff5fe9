#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, checks its fields,
# files and lintian's verdict, unpacks it into a temporary root and uses the
# installed programs from there as a user would: the information options, and
# "Get Router Info" clicked in the installed window (Xvfb, xdotool) against
# the installed router simulator, judged by the saved report.
# Usage: tst_packaging.sh BUILD_DIR WIDGETPOS_PROGRAM
# Exit status 77: skipped, with the reason printed.
set -euo pipefail
build=$(cd "$1" && pwd)
widgetpos=$2

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
for tool in dpkg-deb lintian cpack dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh installs it)"
done

tmp=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
cpack --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(ls "$tmp"/pkg/quillon_*.deb)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillon ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = net ] || fail "Section: $(field Section)"
depends=$(field Depends)
echo "Depends: $depends"
depnames=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for dep in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 qt6-qpa-plugins; do
    grep -qxF "$dep" <<<"$depnames" || fail "Depends lacks $dep"
done

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/files"
outside=$(grep -vE '^/usr/' "$tmp/files" | grep -vxE '/' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
expected=(/usr/bin/quillon /usr/bin/quillon-routersim /usr/share/quillon/vendors.txt /usr/share/quillon/routerids.txt /usr/share/quillon/dslfeatures.txt
          /usr/share/applications/quillon.desktop
          /usr/share/icons/hicolor/scalable/apps/quillon.svg
          /usr/share/man/man1/quillon.1.gz /usr/share/man/man1/quillon-routersim.1.gz
          /usr/share/doc/quillon/copyright /usr/share/doc/quillon/changelog.gz)
for size in 16 24 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/quillon.png")
done
cli=0
if grep -qx /usr/bin/quillon-cli "$tmp/files"; then
    cli=1
    expected+=(/usr/share/man/man1/quillon-cli.1.gz /usr/lib/systemd/system/quillon-monitor.service)
fi
for f in "${expected[@]}"; do
    grep -qxF "$f" "$tmp/files" || fail "the package lacks $f"
done
metainfo=$(grep -xE '/usr/share/metainfo/[^/]+\.metainfo\.xml' "$tmp/files") || fail "the package lacks AppStream data"

# Errors fail; warnings are printed for the record.
lintian --fail-on error "$deb" | tee "$tmp/lintian.log" || fail "lintian reports errors"

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
command -v desktop-file-validate >/dev/null || skip "desktop-file-utils is not installed"
command -v appstreamcli >/dev/null || skip "appstream is not installed"
desktop-file-validate "$root/usr/share/applications/quillon.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root$metainfo" || fail "appstreamcli validate"
if ((cli)) && command -v systemd-analyze >/dev/null; then
    # Offline: no systemd needs to run here. Unknown keys are reported on stderr.
    systemd-analyze security --offline=yes --threshold=30 "$root/usr/lib/systemd/system/quillon-monitor.service" \
        >/dev/null 2>"$tmp/unit.log" || fail "the service unit's exposure is above 3.0"
    [ ! -s "$tmp/unit.log" ] || fail "the service unit: $(cat "$tmp/unit.log")"
fi

# The information options answer without a display.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/quillon" --version)
[ "$out" = "Quillon v$version" ] || fail "quillon --version printed: $out"
"$root/usr/bin/quillon-routersim" --help >"$tmp/simhelp" || fail "quillon-routersim --help"
# Every option the simulator knows is in its manual page.
zcat "$root/usr/share/man/man1/quillon-routersim.1.gz" | sed 's/\\-/-/g' >"$tmp/simman"
for opt in $(grep -oE -- '--[a-z][a-z-]*' "$tmp/simhelp" | sort -u); do
    grep -qF -- "$opt" "$tmp/simman" || fail "the manual page of quillon-routersim lacks $opt"
done
if ((cli)); then
    "$root/usr/bin/quillon-cli" --help >/dev/null || fail "quillon-cli --help"
fi

# The installed window, clicked as a user clicks it.
for tool in Xvfb xdotool xclip strace; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh installs it)"
done
strace -o /dev/null true 2>/dev/null || skip "this machine does not let strace trace a program"
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { cat "$tmp/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(head -n1 "$tmp/display")" QT_QPA_PLATFORM=xcb
unset QUILLON_APPDIR XDG_DATA_HOME XDG_CONFIG_HOME

"$root/usr/bin/quillon-routersim" --port 0 >"$tmp/sim.log" 2>&1 &
pids+=($!)
port=""
for _ in $(seq 100); do
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$tmp/sim.log")
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { cat "$tmp/sim.log"; fail "the installed simulator did not start"; }

export HOME="$tmp/home"
userdir="$HOME/.local/share/quillon"
mkdir -p "$userdir"
printf '[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=%s\r\nRouter Username=root\r\nRouter Password=Gravo\r\nPing IP=127.0.0.1\r\n' \
    "$port" >"$userdir/settings.ini"
chmod 600 "$userdir/settings.ini"

strace -f -qq -e trace=openat -o "$tmp/opened" "$root/usr/bin/quillon" 2>"$tmp/quillon.log" &
quillon=$!
pids+=($quillon)
# The window is found by the class the desktop entry names.
wmclass=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/quillon.desktop")
window=$(timeout 60 xdotool search --sync --onlyvisible --class "^$wmclass\$" | head -n1) ||
    { cat "$tmp/quillon.log"; fail "no window of class $wmclass"; }

mkdir -p "$tmp/probe"
printf '[Options]\r\nRouter IP=127.0.0.1\r\n' >"$tmp/probe/settings.ini"
QUILLON_APPDIR="$tmp/probe" "$widgetpos" OrbTab1:0 cmdGetRouterInfo OrbTab1:2 cmdCopyReport cmdSaveReport >"$tmp/pos" ||
    fail "cannot place the controls"
click() {
    local x y
    read -r x y < <(awk -v n="$1" '$1 == n {print $2, $3}' "$tmp/pos")
    xdotool mousemove --window "$window" "$x" "$y" click 1
}

# A click that comes while the window is still being shown can be lost, and
# one on the greyed button while a fetch runs does nothing: look at the
# report, and click "Get Router Info" again until the copied report is whole.
report=""
for _ in $(seq 60); do
    click OrbTab1:2
    click cmdCopyReport
    report=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
    grep -q '^Mode: ' <<<"$report" && break
    click OrbTab1:0
    click cmdGetRouterInfo
    sleep 1
done
grep -q '^Mode: ' <<<"$report" || { cat "$tmp/quillon.log"; fail "no report after Get Router Info"; }
click cmdSaveReport
saved=""
for _ in $(seq 50); do
    saved=$(ls "$userdir"/*_Report.txt 2>/dev/null | head -n1 || true)
    [ -n "$saved" ] && break
    sleep 0.2
done
[ -n "$saved" ] || fail "the report was not saved into $userdir"
for line in 'DS rate: ' 'US rate: ' 'DS SNR: ' 'Mode: '; do
    grep -q "^$line[0-9A-Za-z]" "$saved" || fail "the saved report lacks '$line': $(cat "$saved")"
done
echo "report saved as $(basename "$saved")"

# SIGTERM closes the program as its Exit does (the report box too).
kill -TERM "$(xdotool getwindowpid "$window")"
for _ in $(seq 100); do kill -0 "$quillon" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$quillon" 2>/dev/null || fail "the program did not end on SIGTERM"

grep -q "^Ping Interval=" "$userdir/settings.ini" || fail "the settings were not saved in $userdir"
[ ! -e "$userdir/vendors.txt" ] || fail "the vendor table was copied into the user's folder"
grep -qF "\"$root/usr/share/quillon/vendors.txt\"" "$tmp/opened" || fail "the installed vendor table was not read"
written=$(find "$root" -newer "$deb" -type f)
[ -z "$written" ] || fail "files written into the installed tree: $written"
echo "packaging: all checks passed"
