#!/usr/bin/env bash
# Private network namespaces for the trace-route and resolver tests and benchmarks.
# Nothing here leaves the namespaces: they have no interface to the outside.
#
#   netlab.sh chain PREFIX HOPS [SILENT_HOP]
#       PREFIX-c (client) - PREFIX-r1 - ... - PREFIX-r(HOPS-1) - PREFIX-t (target).
#       Link k joins hop k-1 (10.77.k.1) and hop k (10.77.k.2); the target is 10.77.HOPS.2.
#       Router SILENT_HOP forwards but sends no Time Exceeded (an nft/iptables drop rule).
#   netlab.sh delay PREFIX HOP MS    answers from hop HOP and beyond come MS later
#   netlab.sh unreachable PREFIX HOP NET   router HOP answers Destination Unreachable for NET
#   netlab.sh single PREFIX          one namespace PREFIX-d with loopback up
#   netlab.sh pair PREFIX            PREFIX-a (10.78.0.1, veth qv-a) and PREFIX-b (10.78.0.2, veth qv-b),
#                                    IPv6 off, so the link carries only what a test sends
#   netlab.sh down PREFIX            removes every namespace of PREFIX
set -euo pipefail

ns_of() { # hop number -> namespace
    local prefix=$1 hop=$2 hops=$3
    if [ "$hop" -eq 0 ]; then echo "$prefix-c"
    elif [ "$hop" -eq "$hops" ]; then echo "$prefix-t"
    else echo "$prefix-r$hop"; fi
}

in_ns() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

quiet_icmp() { # no rate limit on ICMP errors: tests and benchmarks send many
    in_ns "$1" sysctl -qw net.ipv4.icmp_ratelimit=0 >/dev/null 2>&1 || true
    in_ns "$1" sysctl -qw net.ipv4.icmp_msgs_per_sec=1000000 >/dev/null 2>&1 || true
    in_ns "$1" sysctl -qw net.ipv4.icmp_msgs_burst=1000000 >/dev/null 2>&1 || true
}

silence() { # drops the Time Exceeded messages this namespace would send
    local ns=$1
    if command -v nft >/dev/null; then
        in_ns "$ns" nft -f - <<'EOF'
table inet silent {
    chain out { type filter hook output priority 0; icmp type time-exceeded drop; }
}
EOF
    else
        in_ns "$ns" iptables -A OUTPUT -p icmp --icmp-type time-exceeded -j DROP
    fi
}

cmd=${1:-}
prefix=${2:-}
[ -n "$prefix" ] || { echo "usage: $0 chain|delay|unreachable|single|pair|down PREFIX ..." >&2; exit 2; }

case $cmd in
chain)
    hops=${3:?hops}
    silent=${4:-0}
    for h in $(seq 0 "$hops"); do
        ns=$(ns_of "$prefix" "$h" "$hops")
        ip netns add "$ns"
        in_ns "$ns" ip link set lo up
        quiet_icmp "$ns"
    done
    for k in $(seq 1 "$hops"); do
        left=$(ns_of "$prefix" $((k - 1)) "$hops")
        right=$(ns_of "$prefix" "$k" "$hops")
        ip link add "q$k-a" netns "$left" type veth peer name "q$k-b" netns "$right"
        in_ns "$left" ip addr add "10.77.$k.1/24" dev "q$k-a"
        in_ns "$right" ip addr add "10.77.$k.2/24" dev "q$k-b"
        in_ns "$left" ip link set "q$k-a" up
        in_ns "$right" ip link set "q$k-b" up
    done
    in_ns "$prefix-c" ip route add default via 10.77.1.2
    in_ns "$prefix-t" ip route add default via "10.77.$hops.1"
    for r in $(seq 1 $((hops - 1))); do
        ns=$(ns_of "$prefix" "$r" "$hops")
        in_ns "$ns" sysctl -qw net.ipv4.ip_forward=1
        in_ns "$ns" ip route add default via "10.77.$((r + 1)).2"
        [ "$r" -eq 1 ] || in_ns "$ns" ip route add 10.77.1.0/24 via "10.77.$r.1"
    done
    if [ "$silent" -gt 0 ]; then silence "$(ns_of "$prefix" "$silent" "$hops")"; fi
    ;;
delay)
    hop=${3:?hop} ms=${4:?ms}
    ip netns list | grep -q "^$prefix-t" || { echo "no chain $prefix" >&2; exit 1; }
    hops=$(ip netns list | grep -c "^$prefix-r" || true); hops=$((hops + 1))
    ns=$(ns_of "$prefix" "$hop" "$hops")
    in_ns "$ns" tc qdisc add dev "q$hop-b" root netem delay "${ms}ms"
    ;;
unreachable)
    hop=${3:?hop} net=${4:?net}
    hops=$(ip netns list | grep -c "^$prefix-r" || true); hops=$((hops + 1))
    ns=$(ns_of "$prefix" "$hop" "$hops")
    # A reject rule rather than an unreachable route: the kernel rate-limits
    # the errors of such a route per sender whatever icmp_ratelimit says.
    if command -v nft >/dev/null; then
        in_ns "$ns" nft -f - <<EOF
table inet refuse {
    chain relay { type filter hook forward priority 0; ip daddr $net reject with icmp type host-unreachable; }
}
EOF
    else
        in_ns "$ns" iptables -A FORWARD -d "$net" -j REJECT --reject-with icmp-host-unreachable
    fi
    ;;
single)
    ip netns add "$prefix-d"
    in_ns "$prefix-d" ip link set lo up
    ;;
pair)
    for side in a b; do
        ip netns add "$prefix-$side"
        in_ns "$prefix-$side" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
        in_ns "$prefix-$side" ip link set lo up
    done
    ip link add qv-a netns "$prefix-a" type veth peer name qv-b netns "$prefix-b"
    in_ns "$prefix-a" ip addr add 10.78.0.1/24 dev qv-a
    in_ns "$prefix-b" ip addr add 10.78.0.2/24 dev qv-b
    in_ns "$prefix-a" ip link set qv-a up
    in_ns "$prefix-b" ip link set qv-b up
    ;;
down)
    for ns in $(ip netns list | awk '{print $1}' | grep "^$prefix-" || true); do
        ip netns del "$ns" || true
    done
    ;;
*)
    echo "unknown command $cmd" >&2; exit 2 ;;
esac
