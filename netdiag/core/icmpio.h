#pragma once

// The system side of ICMP shared by the ping and the trace route's probes:
// opening an echo socket, reading one message with its ancillary data, and
// the realtime clock the kernel stamps messages with.

#include <QtGlobal>

#include <sys/socket.h>
#include <sys/types.h>

struct sockaddr_in;

namespace quillon::icmpio {

// Raw ICMP needs CAP_NET_RAW; the datagram ICMP socket is open to the groups
// in net.ipv4.ping_group_range, and reports errors through IP_RECVERR.
// `flags` are added to the socket type (SOCK_NONBLOCK ...). Returns the
// descriptor or -1; `raw` tells which kind opened, `rawError` why raw failed.
int OpenEchoSocket(int flags, bool &raw, int &rawError);

// Microseconds of the realtime clock, now.
qint64 NowMicros();

// Kernel receive time of the message when it carries one, else now.
qint64 ReceiveMicros(msghdr &msg);

// One recvmsg with the sender's address and ancillary data; afterwards only
// the control messages of `msg` may be read.
ssize_t ReceiveMessage(int fd, char *data, size_t size, char *control, size_t controlSize, sockaddr_in &peer,
                       msghdr &msg, int flags);

} // namespace quillon::icmpio
