#include "router/core/orbtelnet.h"

#include "base/apppaths.h"
#include "base/misc.h"
#include "router/core/socketmaster.h"

#include <QFile>
#include <QFileInfo>

namespace quillon {

namespace {

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)." -> the six numbers, or
// fewer when the reply is not of that form.
QList<int> passiveNumbers(const QString &reply)
{
    const QString text = script::WithoutLineBreaks(reply);
    const qsizetype open = text.indexOf(QLatin1Char('('));
    if (open < 0)
        return {};
    QString inner = text.mid(open + 1);
    inner.chop(1);
    const QStringList parts = inner.split(QLatin1Char(','));
    if (parts.size() < 6)
        return {};
    QList<int> numbers;
    for (int k = 0; k < 6; ++k) {
        const double v = Val(parts.at(k));
        if (!(v >= 0 && v <= 255) || v != double(qint64(v)))
            return {};
        numbers.append(int(v));
    }
    return numbers;
}

} // namespace

void OrbTelnet::ConnectWSData(const QString &reply)
{
    m_wsTelnetData->CloseSck();
    const QList<int> n = passiveNumbers(reply);
    if (n.size() != 6) {
        AddToLog(QStringLiteral("Unreadable passive mode reply."));
        CloseConnection();
        if (m_running)
            failScript(QStringLiteral("The FTP server's passive mode reply could not be read, so the upload was stopped."));
        return;
    }
    const QString host = QStringLiteral("%1.%2.%3.%4").arg(n[0]).arg(n[1]).arg(n[2]).arg(n[3]);
    const int port = n[4] * 256 + n[5];
    AddToLog(QStringLiteral("Connecting to %1:%2").arg(host).arg(port));
    try {
        m_wsTelnetData->Connect(host, QVariant(port));
    } catch (const SocketRuntimeError &e) {
        failLine(e.number, e.text);
    }
}

void OrbTelnet::SendFileViaFTP(const QString &file)
{
    m_uploadFile = file;
    const QString path = QFileInfo(file).isRelative() ? AppPaths::file(file) : file;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        AddToLog(QStringLiteral("Cannot read file: ") + file);
        CloseConnection();
        failScript(QStringLiteral("The file %1 could not be read, so it was not uploaded.").arg(file));
        return;
    }
    m_uploadBytes = f.readAll();
    AddToLog(QStringLiteral("Sending file: ") + file);
    const qint32 state = m_wsTelnetData->State();
    if (state == CSocketMaster::sckResolvingHost || state == CSocketMaster::sckHostResolved
        || state == CSocketMaster::sckConnecting) {
        // The server's reply to STOR can overtake our own data connection.
        m_uploadPending = true;
        return;
    }
    m_wsTelnetData->SendData(m_uploadBytes);
}

void OrbTelnet::onDataConnected()
{
    if (!m_uploadPending) {
        AddToLog(QStringLiteral("Winsock data connection started. Going to next line."));
        RunNextLine();
        return;
    }
    AddToLog(QStringLiteral("Winsock data connection started."));
    m_uploadPending = false;
    try {
        m_wsTelnetData->SendData(m_uploadBytes);
    } catch (const SocketRuntimeError &e) {
        failLine(e.number, e.text);
    }
}

void OrbTelnet::onDataSendComplete()
{
    m_wsTelnetData->CloseSck();
    m_uploadBytes.clear();
    emit FTPSendComplete(m_uploadFile);
    AddToLog(QStringLiteral("File sent via FTP."));
}

void OrbTelnet::onDataError(int number, const QString &description)
{
    AddToLog(QStringLiteral("Winsock Data Error - %1 : %2").arg(number).arg(description));
    const bool refused = number == 10061 && m_mode == 2;
    if (refused)
        AddToLog(QStringLiteral("Unable to access the router via FTP."));
    AddToLog(QStringLiteral("Aborting script"));
    const bool wasRunning = m_running;
    AbortScript();
    // The window waits for one of the two ending signals; an abort that
    // raised neither would leave it busy for good.
    if (wasRunning)
        failScript(refused ? QStringLiteral("Unable to access the router via FTP.")
                           : QStringLiteral("The FTP data connection failed: %1").arg(description));
}

} // namespace quillon
