#pragma once

#include <QObject>

class QSocketNotifier;

namespace quillon {

// SIGTERM and SIGINT as a Qt signal on the event loop's thread: the handler
// only writes a byte to a pipe; the orderly exit runs from the loop.
class SignalPipe final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalPipe)

public:
    // Installs the handlers; one instance per process.
    explicit SignalPipe(QObject *parent = nullptr);
    ~SignalPipe() override;

    bool installed() const { return m_notifier != nullptr; }

signals:
    void received();

private:
    QSocketNotifier *m_notifier{nullptr};
};

} // namespace quillon
