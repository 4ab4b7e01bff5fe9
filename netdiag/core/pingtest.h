#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillon {

// The texts of the Ping Test tab's boxes.
struct PingTestSettings
{
    QString target;
    QString count;
    QString timeout;
    QString packetSize;
};

// What the test talks to; tests replace them.
struct PingTestHooks
{
    std::function<bool(const QString &address, qint32 &time, const QByteArray &payload)> echo;
    std::function<QString(const QString &name)> resolve;
    // Run after every request: lets pending window events run.
    std::function<void()> afterEach;
    // Polled after every request: the window's abort flag.
    std::function<bool()> abortRequested;
};

// FullPing, GetIPFromHostName and QCoreApplication::processEvents; no abort.
PingTestHooks defaultPingTestHooks();

// Sends the requests one at a time and returns the finished report.
QString RunPingTest(const PingTestSettings &settings, const PingTestHooks &hooks);

} // namespace quillon
