#include "tools/routersim/routersim.h"
#include "tools/routersim/simsession.h"
#include "tools/routersim/simsystem.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace quillon::sim {

namespace {

constexpr int kRelistenRetryMs = 250;

} // namespace

RouterSim::RouterSim(SimOptions o, QObject *parent)
    : QObject(parent), m_options(std::move(o)), m_system(std::make_unique<SimSystem>(m_options))
{
}

RouterSim::~RouterSim()
{
    stop();
}

bool RouterSim::start(quint16 port, const QHostAddress &addr)
{
    stop();
    m_address = addr;
    m_port = port;
    m_running = true;
    if (!listen()) {
        m_running = false;
        return false;
    }
    return true;
}

bool RouterSim::listen()
{
    delete m_server;
    m_server = new QTcpServer(this);
    connect(m_server, &QTcpServer::newConnection, this, &RouterSim::acceptPending);
    if (!m_server->listen(m_address, m_port)) {
        m_error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_port = m_server->serverPort();
    m_error.clear();
    return true;
}

quint16 RouterSim::port() const
{
    return m_port;
}

QHostAddress RouterSim::address() const
{
    return m_address;
}

QString RouterSim::errorString() const
{
    return m_error;
}

void RouterSim::stop()
{
    m_running = false;
    m_rebooting = false;
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    const QList<SimSession *> sessions = m_sessions;
    m_sessions.clear();
    for (SimSession *s : sessions) {
        s->disconnect(this);
        delete s; // closes its socket at once
    }
}

SimOptions &RouterSim::options()
{
    return m_options;
}

bool RouterSim::isRebooting() const
{
    return m_rebooting;
}

int RouterSim::sessionCount() const
{
    return int(m_sessions.size());
}

QString RouterSim::env(const QString &name) const
{
    return m_system->env(name);
}

void RouterSim::setEnv(const QString &name, const QString &value)
{
    m_system->setEnv(name, value);
}

void RouterSim::unsetEnv(const QString &name)
{
    m_system->unsetEnv(name);
}

void RouterSim::addLogEntry(const QString &module, const QString &message)
{
    m_system->addLog(module.toLatin1(), message.toLatin1());
}

double RouterSim::uptimeSeconds() const
{
    return m_system->uptime();
}

void RouterSim::advanceTime(double seconds)
{
    m_system->advance(seconds);
}

bool RouterSim::restartInterface(const QString &name)
{
    return m_system->restartInterface(name);
}

bool RouterSim::interfaceCounters(const QString &name, quint64 &rx, quint64 &tx) const
{
    return m_system->interfaceCounters(name, rx, tx);
}

void RouterSim::resync(double trainSecs)
{
    m_system->resync(trainSecs);
}

void RouterSim::acceptPending()
{
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        if (!socket)
            break;
        // Each connection draws its own faults, repeatably for a given seed.
        auto *session = new SimSession(socket, *m_system, m_options, m_options.seed * 7919u + ++m_connections, this);
        m_sessions.append(session);
        connect(session, &SimSession::finished, this, [this](SimSession *s) {
            m_sessions.removeOne(s);
            s->deleteLater();
        });
        connect(session, &SimSession::rebootRequested, this, &RouterSim::reboot, Qt::QueuedConnection);
    }
}

void RouterSim::reboot()
{
    if (m_rebooting || !m_running)
        return;
    m_rebooting = true;
    if (m_server) {
        m_server->close(); // new connections are refused while the router is away
        m_server->deleteLater();
        m_server = nullptr;
    }
    for (SimSession *s : std::as_const(m_sessions))
        s->hangUp();
    m_system->restart();
    emit rebootStarted();
    QTimer::singleShot(qMax(0, m_options.rebootDownMs), this, &RouterSim::finishReboot);
}

void RouterSim::finishReboot()
{
    if (!m_rebooting || !m_running)
        return;
    if (!listen()) {
        QTimer::singleShot(kRelistenRetryMs, this, &RouterSim::finishReboot);
        return;
    }
    m_rebooting = false;
    emit rebootFinished();
}

} // namespace quillon::sim
