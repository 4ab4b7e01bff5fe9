#!/usr/bin/env bash
# Writes the settings file of the demo run: every key the program keeps, pointing at the
# router simulator on loopback and logging in as the simulator expects.
#   scripts/demo-settings.sh <settings.ini> <telnet port> [user] [password] [web pages address]
# An existing file keeps the user's changes; only its telnet port and the simulator's web
# pages follow the simulator.
set -euo pipefail
file=$1 port=$2 user=${3:-root} password=${4:-Gravo} web=${5:-}

if [ -f "$file" ] && grep -q '^Telnet Port=' "$file"; then
    sed -i "s/^Telnet Port=.*/Telnet Port=$port\r/" "$file"
    if [ -n "$web" ]; then
        sed -i "s|^Lookup site=.*|Lookup site=$web\r|; s|^Directions site=.*|Directions site=$web\r|" "$file"
    fi
else
    # The program's own files use CR LF line ends.
    sed 's/$/\r/' >"$file" <<INI
[Options]
Ping IP=127.0.0.1
Ping Interval=300
Router Username=$user
Router Password=$password
Router IP=127.0.0.1
Telnet Port=$port
StatsCheck=1
StatsCheck Interval=1
Maximum failed pings=5
Graph points limit=256
DS start bit=32
Image quality=75
Use settle time=0
Settle time=10
Auto start monitor=0
Auto send to tray=0
Send to tray on close=0
Save stats to text=1
Save stats to CSV=1
Check system log=0
Save system log=0
System log interval=1
Clear system log=0
[Ping test]
Target=127.0.0.1
Count=4
Timeout=500
Packet size=4
DNS=127.0.0.1
Resolve IPs=0
Use router=1
Standard DNS=0
Maximum hops=30
[Exchange]
Real distance=
Loss rate=13.81
OLO=
Lookup site=$web
Directions site=$web
[Tweaks]
Compatibility mode=0
Limit by DSP=0
[Graphs]
G1=
G2=
G3=
[Bandwidth]
WAN=ppp0
LAN=eth0
WLAN=wlan0
USB=usb0
Interval=60
Maximum rate=100
Save log=1
Display type=Current session
Router type=
Graphs=
INI
fi
chmod 600 "$file"
