#include "app/cli/clicontext.h"

#include "app/cli/clicommand.h"
#include "app/cli/scaledtimers.h"
#include "base/apppaths.h"
#include "base/settingstable.h"
#include "base/signalpipe.h"
#include "netdiag/core/ping.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryFile>

#include <cmath>
#include <cstdio>

namespace quillon {

CliContext::CliContext(Options options)
    : m_options(std::move(options))
    , m_out(stdout)
    , m_err(stderr)
    , m_signals(std::make_unique<SignalPipe>())
{
    m_started.start();
    QObject::connect(m_signals.get(), &SignalPipe::received, [this] { m_stopRequested = true; });
}

CliContext::~CliContext()
{
    m_core.reset();
    m_out.flush();
    m_err.flush();
}

int CliContext::prepare()
{
    if (!m_options.dir.isEmpty()) {
        if (!QFileInfo(m_options.dir).isDir())
            return fail(CliExit::File, QStringLiteral("The folder %1 does not exist.").arg(m_options.dir));
        AppPaths::setAppDir(QFileInfo(m_options.dir).absoluteFilePath());
    }
    const QString settingsPath = AppPaths::file(QString::fromLatin1(SettingsFileName));
    if (QFileInfo::exists(settingsPath) && !QFileInfo(settingsPath).isReadable())
        return fail(CliExit::File, QStringLiteral("The settings file %1 cannot be read.").arg(settingsPath));
    m_values = SettingsValues::load(settingsPath);

    // The command line's values count for this run only and are never saved.
    if (!m_options.router.isEmpty())
        m_values.setValue(QStringLiteral("txtRouter"), m_options.router);
    if (!m_options.port.isEmpty())
        m_values.setValue(QStringLiteral("txtPort"), m_options.port);
    if (!m_options.user.isEmpty())
        m_values.setValue(QStringLiteral("txtUser"), m_options.user);
    if (!m_options.passwordFile.isEmpty()) {
        QFile file(m_options.passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            return fail(CliExit::File, QStringLiteral("The password file %1 cannot be read.").arg(m_options.passwordFile));
        const QByteArray first = file.readLine(4096);
        m_values.setValue(QStringLiteral("txtPass"), QString::fromLatin1(first).remove(QLatin1Char('\n')).remove(QLatin1Char('\r')));
    } else if (qEnvironmentVariableIsSet("QUILLON_PASSWORD")) {
        m_values.setValue(QStringLiteral("txtPass"), qEnvironmentVariable("QUILLON_PASSWORD"));
    }
    return CliExit::Ok;
}

SessionSettings CliContext::settings() const
{
    return SessionSettingsFrom(m_values);
}

SessionCore &CliContext::core()
{
    if (m_core)
        return *m_core;
    for (auto &t : m_timers) {
        t = std::make_unique<QTimer>();
        t->setInterval(1000);
    }
    m_core = std::make_unique<SessionCore>(
        [this] { return settings(); },
        [](const QString &address, qint32 &timeMs) { return FullPing(address, timeMs); },
        SessionTimers{m_timers[0].get(), m_timers[1].get(), m_timers[2].get(), m_timers[3].get()});
    m_core->line.vendors = VendorTable::LoadVendors();
    // A test aid: simulated seconds per real second.
    const double scale = qEnvironmentVariable("QUILLON_TIME_SCALE").toDouble();
    if (std::isfinite(scale) && scale > 1) {
        SessionCore *c = m_core.get();
        m_scaled = std::make_unique<ScaledTimers>(scale);
        m_scaled->add(m_timers[0].get(), [c] { c->monitor.pingTick(); });
        m_scaled->add(m_timers[1].get(), [c] { c->monitor.statsTick(); });
        m_scaled->add(m_timers[2].get(), [c] { c->reboot.watchTick(); });
        m_scaled->add(m_timers[3].get(), [c] { c->reboot.settleTick(); });
    }
    return *m_core;
}

int CliContext::fail(int status, const QString &sentence)
{
    m_out.flush();
    m_err << sentence << Qt::endl;
    return status;
}

int CliContext::usage(const QString &message)
{
    return fail(CliExit::Usage, QStringLiteral("quillon-cli: ") + message + QStringLiteral(" (see quillon-cli --help)"));
}

void CliContext::printJson(const QJsonObject &object)
{
    m_out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << Qt::endl;
}

bool CliContext::waitFor(const std::function<bool()> &done, bool bounded)
{
    const qint64 limitMs = bounded ? qint64(m_options.timeoutSecs) * 1000 : 0;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || m_stopRequested || (limitMs > 0 && m_started.elapsed() >= limitMs))
            loop.quit();
    });
    if (!done() && !m_stopRequested) {
        poll.start(5);
        loop.exec();
    }
    return done();
}

void CliContext::drain(const std::function<bool()> &done, int ms)
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
        poll.start(5);
        loop.exec();
    }
}

int CliContext::waitFailed()
{
    if (m_stopRequested)
        return fail(CliExit::Failure, QStringLiteral("Stopped by a signal before the command finished."));
    return fail(CliExit::Failure,
                QStringLiteral("The command did not finish within %1 seconds, so it was stopped.").arg(m_options.timeoutSecs));
}

bool CliContext::folderWritable() const
{
    QTemporaryFile probe(AppPaths::appDir() + QStringLiteral(".quillon-probe-XXXXXX"));
    return probe.open();
}

QJsonValue JsonNumber(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return QJsonValue::Null;
    return v;
}

QJsonValue JsonText(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

} // namespace quillon
