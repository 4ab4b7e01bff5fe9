#include "tests/support/testsupport.h"

#include "base/apppaths.h"
#include "router/core/orbtelnet.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillon::test {

TempAppDir::TempAppDir()
{
    AppPaths::setAppDir(m_dir.path());
}

TempAppDir::~TempAppDir()
{
    AppPaths::setAppDir(QString());
}

QString TempAppDir::path() const
{
    return m_dir.path() + QLatin1Char('/');
}

QByteArray TempAppDir::read(const QString &name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void TempAppDir::write(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QString dataPath(const QString &relative)
{
    return QStringLiteral(QUILLON_TEST_DATA "/") + relative;
}

QByteArray readData(const QString &relative)
{
    QFile f(dataPath(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString sourcePath(const QString &relative)
{
    return QStringLiteral(QUILLON_TEST_DATA "/../../") + relative;
}

QString binPath(const QString &relative)
{
    return QStringLiteral(QUILLON_BIN_DIR "/") + relative;
}

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || elapsed.elapsed() >= ms)
            loop.quit();
    });
    if (!done()) {
        poll.start(2);
        loop.exec();
    }
    return done();
}

ScriptRun::ScriptRun(OrbTelnet &e)
    : engine(e), complete(&e, &OrbTelnet::ScriptComplete), error(&e, &OrbTelnet::ScriptError)
{
}

bool ScriptRun::ended(int ms)
{
    if (complete.count() + error.count() == 0) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        QObject::connect(&engine, &OrbTelnet::ScriptComplete, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        QObject::connect(&engine, &OrbTelnet::ScriptError, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        loop.exec();
    }
    return complete.count() + error.count() > 0;
}

bool ScriptRun::completed() const
{
    return complete.count() == 1 && error.count() == 0;
}

bool ScriptRun::failedWith(bool unrecognised, bool loginFailed) const
{
    return complete.count() == 0 && error.count() == 1 && error.at(0).at(0).toBool() == unrecognised
        && error.at(0).at(1).toBool() == loginFailed;
}

TelnetClient::TelnetClient(quint16 port, QByteArray prompt)
    : m_prompt(std::move(prompt))
{
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
        m_data += m_socket.readAll();
        ++m_reads;
    });
    m_socket.connectToHost(QHostAddress::LocalHost, port);
}

bool TelnetClient::waitUntil(const std::function<bool()> &done, int ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto check = [&] {
        if (done())
            loop.quit();
    };
    QObject::connect(&m_socket, &QTcpSocket::readyRead, &loop, check);
    QObject::connect(&m_socket, &QTcpSocket::stateChanged, &loop, check);
    timeout.start(ms);
    loop.exec();
    return done();
}

bool TelnetClient::waitFor(const QByteArray &text, int ms)
{
    return waitUntil([&] { return m_data.contains(text); }, ms);
}

bool TelnetClient::waitClosed(int ms)
{
    return waitUntil([&] { return m_socket.state() == QAbstractSocket::UnconnectedState; }, ms);
}

void TelnetClient::send(const QByteArray &line)
{
    m_socket.write(line + '\n');
}

bool TelnetClient::login(const QByteArray &user, const QByteArray &password)
{
    if (!waitFor("login: "))
        return false;
    send(user);
    if (!waitFor("Password: "))
        return false;
    send(password);
    const bool ok = waitUntil([&] { return m_data.endsWith(m_prompt); });
    m_data.clear();
    return ok;
}

QByteArray TelnetClient::command(const QByteArray &line, int ms)
{
    m_data.clear();
    send(line);
    if (!waitUntil([&] { return m_data.endsWith(m_prompt); }, ms))
        qWarning("no prompt after %s", line.constData());
    return m_data;
}

QByteArray TelnetClient::output(const QByteArray &line, int ms)
{
    QByteArray all = command(line, ms);
    const QByteArray echo = line + "\r\n";
    if (all.startsWith(echo))
        all.remove(0, echo.size());
    if (all.endsWith(m_prompt))
        all.chop(m_prompt.size());
    return all;
}

quint16 freeLocalPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

ClosedLocalPort::ClosedLocalPort()
    : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0
        && ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        m_port = ntohs(addr.sin_port);
}

ClosedLocalPort::~ClosedLocalPort()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace quillon::test
