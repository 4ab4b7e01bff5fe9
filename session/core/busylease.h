#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace quillon {

// Who keeps the options disabled. Every activity that must stop the user from
// starting other router or network work (a full fetch, a ping test, a trace,
// a web lookup, a write to the router, a reboot) holds a lease for as long as
// it runs; the options come back only when the last lease ends, whichever
// order the activities end in.
class BusyLeases final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BusyLeases)

public:
    // Held while it lives; moving hands it on, release() ends it early.
    class Lease final
    {
    public:
        Lease() = default;
        Lease(Lease &&other) noexcept;
        Lease &operator=(Lease &&other) noexcept;
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;
        ~Lease();

        void release();
        bool held() const { return m_owner != nullptr && m_id != 0; }

    private:
        friend class BusyLeases;
        Lease(BusyLeases *owner, quint64 id);

        QPointer<BusyLeases> m_owner;
        quint64 m_id{0};
    };

    explicit BusyLeases(QObject *parent = nullptr);
    ~BusyLeases() override;

    [[nodiscard]] Lease acquire(const QString &holder);

    bool busy() const { return !m_holders.isEmpty(); }
    // What holds the options, oldest first.
    QStringList holders() const;

signals:
    // Raised when the first lease is taken and when the last one ends.
    void busyChanged(bool busy);

private:
    void end(quint64 id);

    struct Holder
    {
        quint64 id;
        QString name;
    };
    QList<Holder> m_holders;
    quint64 m_nextId{1};
};

} // namespace quillon
