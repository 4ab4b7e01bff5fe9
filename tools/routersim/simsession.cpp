#include "tools/routersim/simsession.h"
#include "tools/routersim/routersim.h"
#include "tools/routersim/simsystem.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace quillon::sim {

namespace {

constexpr char kIac = char(0xFF);
constexpr unsigned char kTelnetSe = 240;
constexpr unsigned char kTelnetSb = 250;
constexpr unsigned char kTelnetWill = 251;
constexpr unsigned char kTelnetDont = 254;
constexpr char kEsc = 0x1B;

// What BusyBox telnetd sends first: DO ECHO, DO NAWS, WILL ECHO, WILL SGA.
const char kNegotiation[] = "\xFF\xFD\x01\xFF\xFD\x1F\xFF\xFB\x01\xFF\xFB\x03";
const char kLoginPrompt[] = "\nBusyBox on (none) login: ";
const char kPasswordPrompt[] = "Password: ";
const char kLoginIncorrect[] = "Login incorrect\n";
const char kShellBanner[] = "\n\nBusyBox v0.61.pre (2006.02.09-03:06+0000) Built-in shell (ash)\n"
                            "Enter 'help' for a list of built-in commands.\n\n";
const char kTerminalQuery[] = "\x1B[6n";

constexpr qsizetype kMaxLineBytes = 4096;   // longer input is cut, as a tty's line buffer does
constexpr qsizetype kMaxQueuedLines = 1000; // typed-ahead lines kept while a reply is pending
// A client that stops reading stalls the shell, as a full pty does, instead of
// letting unsent output grow without bound.
constexpr qint64 kMaxUnsentBytes = 4 * 1024 * 1024;

bool isGarbageByte(int b)
{
    return b < 0x20 ? (b != '\t' && b != '\n' && b != '\r') : b >= 0x7F;
}

} // namespace

SimSession::SimSession(QTcpSocket *socket, SimSystem &system, const SimOptions &options, quint32 seed,
                       QObject *parent)
    : QObject(parent), m_socket(socket), m_system(system), m_options(options), m_shell(system, options),
      m_random(seed), m_pumpTimer(new QTimer(this))
{
    m_socket->setParent(this);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_pumpTimer->setSingleShot(true);
    m_pumpTimer->setInterval(0);
    connect(m_pumpTimer, &QTimer::timeout, this, &SimSession::pump);
    connect(m_socket, &QTcpSocket::readyRead, this, &SimSession::readInput);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_done = true;
        m_pumpTimer->stop();
        emit finished(this);
    });
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_closeAfterSend && m_out.isEmpty() && m_socket->bytesToWrite() == 0)
            m_socket->disconnectFromHost();
        else if (m_endless)
            pourEndlessOutput();
        else
            processLines();
    });
    sendRaw(QByteArray(kNegotiation, sizeof kNegotiation - 1));
    sendLoginPrompt();
}

SimSession::~SimSession() = default;

void SimSession::hangUp()
{
    m_done = true;
    m_state = State::Closing;
    m_pumpTimer->stop();
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->write(m_out);
        m_out.clear();
        m_socket->disconnectFromHost();
    }
}

void SimSession::readInput()
{
    const QByteArray data = m_socket->readAll();
    for (const char ch : data) {
        const auto b = static_cast<unsigned char>(ch);
        // Telnet commands from the client are read and ignored.
        switch (m_telnetState) {
        case 1:
            if (b == 0xFF)
                break; // an escaped 0xFF data byte
            m_telnetState = b == kTelnetSb ? 3 : (b >= kTelnetWill && b <= kTelnetDont ? 2 : 0);
            continue;
        case 2:
            m_telnetState = 0;
            continue;
        case 3:
            m_telnetState = b == 0xFF ? 4 : 3;
            continue;
        case 4:
            m_telnetState = b == kTelnetSe ? 0 : 3;
            continue;
        default:
            if (ch == kIac) {
                m_telnetState = 1;
                continue;
            }
        }
        m_telnetState = 0;
        // A terminal's answer to the cursor query (ESC [ row ; col R) is no input.
        if (m_escState == 1) {
            m_escState = ch == '[' ? 2 : 0;
            continue;
        }
        if (m_escState == 2) {
            if (b >= 0x40 && b <= 0x7E)
                m_escState = 0;
            continue;
        }
        if (ch == kEsc) {
            m_escState = 1;
            continue;
        }
        const bool afterCr = m_lastWasCr;
        m_lastWasCr = false;
        if (ch == '\r' || (ch == '\n' && !afterCr)) {
            m_lastWasCr = ch == '\r';
            if (m_lines.size() < kMaxQueuedLines)
                m_lines.append(m_lineBuffer);
            m_lineBuffer.clear();
        } else if (ch == '\n' || ch == '\0') {
            // second half of CR LF or CR NUL
        } else if (ch == '\b' || b == 0x7F) {
            m_lineBuffer.chop(1);
        } else if ((b >= 0x20 || ch == '\t') && m_lineBuffer.size() < kMaxLineBytes) {
            m_lineBuffer += ch;
        }
    }
    processLines();
}

void SimSession::processLines()
{
    while (!m_done && !m_lines.isEmpty()
           && (m_state == State::Login || m_state == State::Password || m_state == State::Shell)
           && m_out.size() + m_socket->bytesToWrite() < kMaxUnsentBytes)
        handleLine(m_lines.takeFirst());
}

void SimSession::handleLine(const QByteArray &line)
{
    switch (m_state) {
    case State::Login:
        handleLogin(line);
        break;
    case State::Password:
        handlePassword(line);
        break;
    case State::Shell:
        handleCommand(line);
        break;
    default:
        break;
    }
}

void SimSession::handleLogin(const QByteArray &line)
{
    send(line + '\n');
    if (line.trimmed().isEmpty()) {
        sendLoginPrompt();
        return;
    }
    m_user = line.trimmed();
    send(kPasswordPrompt);
    m_state = State::Password;
}

void SimSession::handlePassword(const QByteArray &line)
{
    send("\n"); // the password is not echoed, the Enter is
    if (QString::fromLatin1(m_user) == m_options.user && QString::fromLatin1(line) == m_options.password) {
        send(kShellBanner);
        sendPrompt();
        m_state = State::Shell;
        return;
    }
    ++m_failedLogins;
    m_state = State::Busy;
    QTimer::singleShot(qMax(0, m_options.loginFailDelayMs), this, [this] {
        if (m_done)
            return;
        send(kLoginIncorrect);
        if (m_failedLogins >= qMax(1, m_options.maxLoginAttempts)) {
            closeWhenSent();
            return;
        }
        sendLoginPrompt();
        m_state = State::Login;
        processLines();
    });
}

void SimSession::handleCommand(const QByteArray &line)
{
    send(line + '\n');
    if (m_options.endlessOutput) {
        m_endless = true;
        m_state = State::Busy;
        pourEndlessOutput();
        return;
    }
    if (m_options.lineBreakFlood > 0) {
        QByteArray flood(m_options.lineBreakFlood & ~qint64(1), '\n');
        for (qsizetype i = 0; i < flood.size(); i += 2)
            flood[i] = '\r';
        sendRaw(flood);
    }
    if (m_options.replyDelayMs <= 0) {
        sendCommandOutput(m_shell.run(line));
        return;
    }
    m_state = State::Busy;
    QTimer::singleShot(m_options.replyDelayMs, this, [this, line] {
        if (m_done)
            return;
        sendCommandOutput(m_shell.run(line));
        processLines();
    });
}

void SimSession::sendCommandOutput(const ShellResult &result)
{
    send(result.output, Kind::Reply);
    if (m_done || m_state == State::Closing)
        return;
    if (result.reboot) {
        m_state = State::Closing;
        emit rebootRequested();
        return;
    }
    if (result.exit) {
        closeWhenSent();
        return;
    }
    sendPrompt();
    m_state = State::Shell;
}

void SimSession::sendLoginPrompt()
{
    send(kLoginPrompt);
}

void SimSession::sendPrompt()
{
    send(m_options.prompt.toLatin1());
    if (m_options.terminalQuery)
        sendRaw(kTerminalQuery);
    m_inShell = true;
    if (m_options.closeAfterPrompt)
        closeWhenSent();
}

void SimSession::send(const QByteArray &text, Kind kind)
{
    if (m_state == State::Closing && m_closeAfterSend)
        return;
    QByteArray wire = toTerminal(kind == Kind::Reply && m_options.garbage ? withGarbage(text) : text);
    if (kind == Kind::Reply)
        wire = hostile(wire);
    if (kind == Kind::Reply && m_options.dropAfterBytes >= 0) {
        const qint64 room = m_options.dropAfterBytes - m_replyBytes;
        if (wire.size() > room) {
            sendRaw(wire.left(qMax<qint64>(0, room)));
            m_replyBytes = m_options.dropAfterBytes;
            closeWhenSent();
            return;
        }
        m_replyBytes += wire.size();
    }
    sendRaw(wire);
}

void SimSession::sendRaw(const QByteArray &bytes)
{
    m_out += bytes;
    pump();
}

// The pty's output processing: LF becomes CR LF, TABs become blanks to the
// next 8-column stop; telnetd doubles any 0xFF byte.
QByteArray SimSession::toTerminal(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 16 + 8);
    for (const char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (ch == '\n') {
            out += "\r\n";
            m_column = 0;
        } else if (ch == '\r') {
            out += ch;
            m_column = 0;
        } else if (ch == '\t') {
            const int next = (m_column / 8 + 1) * 8;
            out += m_options.rawTabs ? QByteArray(1, '\t') : QByteArray(next - m_column, ' ');
            m_column = next;
        } else if (ch == '\b') {
            out += ch;
            m_column = qMax(0, m_column - 1);
        } else if (ch == kIac) {
            out += "\xFF\xFF";
            ++m_column;
        } else {
            out += ch;
            if (b >= 0x20 && b != 0x7F)
                ++m_column;
        }
    }
    return out;
}

// Junk goes between words, never inside one, so marker words and labels
// survive while every parser meets bytes it did not expect.
QByteArray SimSession::withGarbage(const QByteArray &text)
{
    QList<qsizetype> gaps;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == 0 || i == text.size() || text[i - 1] == '\n' || text[i] == ' ' || text[i] == '\t'
            || text[i] == '\n')
            gaps.append(i);
    }
    const int runs = int(qMin<qsizetype>(64, 1 + text.size() / 512));
    QList<qsizetype> at;
    for (int i = 0; i < runs; ++i)
        at.append(gaps[qsizetype(m_random.bounded(quint32(gaps.size())))]);
    std::sort(at.begin(), at.end());
    QByteArray out;
    qsizetype from = 0;
    for (const qsizetype pos : at) {
        out += text.mid(from, pos - from);
        from = pos;
        const int length = int(m_random.bounded(1u, 17u));
        for (int k = 0; k < length;) {
            const int b = int(m_random.bounded(256u));
            if (isGarbageByte(b)) {
                out += char(b);
                ++k;
            }
        }
    }
    return out + text.mid(from);
}

bool SimSession::dripping() const
{
    return m_options.dripMs > 0 && (m_inShell || m_options.dripFromConnect);
}

// Values follow a label's colon and blanks; NUL, 0xFF (doubled by telnetd as
// any 0xFF) and a comma go in front of the number.
QByteArray SimSession::hostile(const QByteArray &wire)
{
    if (!m_options.hostileValues && !m_options.iacMidLine)
        return wire;
    QByteArray out;
    out.reserve(wire.size() * 2);
    for (qsizetype i = 0; i < wire.size(); ++i) {
        const char ch = wire[i];
        out += ch;
        if (m_options.hostileValues && ch == ':' && i + 1 < wire.size() && (wire[i + 1] == ' ' || wire[i + 1] == '\t'))
            out += QByteArray(",\0\xFF\xFF,", 5);
        if (m_options.iacMidLine && ch == ' ' && i % 7 == 0)
            out += "\xFF\xFB\x01\xFF\xFD\x03"; // WILL ECHO, DO SGA
    }
    return out;
}

// Keeps a little queued at a time, so the stream ends as soon as the client hangs up.
void SimSession::pourEndlessOutput()
{
    static const QByteArray chunk = [] {
        QByteArray text;
        while (text.size() < 16384)
            text += "endless line of router output that never reaches its prompt\r\n";
        return text;
    }();
    if (m_done || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (m_out.size() + m_socket->bytesToWrite() < 4 * chunk.size())
        sendRaw(chunk);
}

void SimSession::pump()
{
    if (m_out.isEmpty() || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (!m_options.byteByByte && !m_options.randomSplits && !dripping()) {
        m_socket->write(m_out);
        m_out.clear();
        return;
    }
    if (dripping()) {
        if (m_pumpTimer->isActive())
            return;
        m_socket->write(m_out.left(1));
        m_socket->flush();
        m_out.remove(0, 1);
        if (!m_out.isEmpty())
            m_pumpTimer->start(m_options.dripMs);
        else if (m_closeAfterSend && m_socket->bytesToWrite() == 0)
            m_socket->disconnectFromHost();
        return;
    }
    const qsizetype n = m_options.byteByByte ? 1 : qsizetype(m_random.bounded(1u, 97u));
    m_socket->write(m_out.left(n));
    m_socket->flush();
    m_out.remove(0, qMin(n, m_out.size()));
    if (!m_out.isEmpty())
        m_pumpTimer->start(0);
    else if (m_closeAfterSend && m_socket->bytesToWrite() == 0)
        m_socket->disconnectFromHost();
}

void SimSession::closeWhenSent()
{
    m_closeAfterSend = true;
    m_state = State::Closing;
    m_lines.clear();
    if (m_out.isEmpty() && m_socket->bytesToWrite() == 0)
        m_socket->disconnectFromHost();
}

} // namespace quillon::sim
