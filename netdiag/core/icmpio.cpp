#include "netdiag/core/icmpio.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <sys/uio.h>

namespace quillon::icmpio {

namespace {

qint64 realtimeMicros(const timespec &ts)
{
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

} // namespace

int OpenEchoSocket(int flags, bool &raw, int &rawError)
{
    int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC | flags, IPPROTO_ICMP);
    raw = fd >= 0;
    rawError = raw ? 0 : errno;
    if (raw)
        return fd;
    fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | flags, IPPROTO_ICMP);
    if (fd >= 0) {
        const int on = 1;
        ::setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on);
    }
    return fd;
}

qint64 NowMicros()
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return realtimeMicros(ts);
}

qint64 ReceiveMicros(msghdr &msg)
{
    for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec ts{};
            std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
            return realtimeMicros(ts);
        }
    }
    return NowMicros();
}

ssize_t ReceiveMessage(int fd, char *data, size_t size, char *control, size_t controlSize, sockaddr_in &peer,
                       msghdr &msg, int flags)
{
    iovec iov{data, size};
    msg = {};
    msg.msg_name = &peer;
    msg.msg_namelen = sizeof peer;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = controlSize;
    const ssize_t got = ::recvmsg(fd, &msg, flags);
    msg.msg_iov = nullptr; // the vector was local
    msg.msg_iovlen = 0;
    return got;
}

} // namespace quillon::icmpio
