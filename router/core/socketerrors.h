#pragma once

// Error numbers and texts of the socket layer, shared by every socket object.

#include <QByteArray>
#include <QString>

#include <exception>

namespace quillon {

namespace SocketErrors {
inline constexpr int WouldBlock = 10035;
inline constexpr int AddressNotAvailable = 10049;
inline constexpr int HostNotFound = 11001;
inline constexpr int NoAddressRecord = 11004;

// Raised to the caller of a property or method used wrongly.
inline constexpr int InvalidState = 40020;
inline constexpr int OutOfRange = 40014;
inline constexpr int UnsupportedType = 40018;
inline constexpr int WrongProtocolOrState = 40006;
} // namespace SocketErrors

// The text for a socket error number ("Unknown error." for any other).
QString SocketErrorText(int number);

// The socket error number for a POSIX errno value.
int SocketErrorFromErrno(int err);

// A run-time error raised by a socket property or method: the caller misused
// it (wrong state, bad argument). Failures of the network itself never throw;
// they arrive as the socket's Error signal.
struct SocketRuntimeError final : std::exception
{
    SocketRuntimeError(int errNumber, QString errSource);
    SocketRuntimeError(int errNumber, QString errText, QString errSource);
    const char *what() const noexcept override;

    int number{0};
    QString text;
    QString source; // "CSocketMaster." + member name

private:
    QByteArray m_what;
};

} // namespace quillon
