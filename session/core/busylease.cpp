#include "session/core/busylease.h"

namespace quillon {

BusyLeases::Lease::Lease(BusyLeases *owner, quint64 id)
    : m_owner(owner)
    , m_id(id)
{
}

BusyLeases::Lease::Lease(Lease &&other) noexcept
    : m_owner(other.m_owner)
    , m_id(other.m_id)
{
    other.m_owner = nullptr;
    other.m_id = 0;
}

BusyLeases::Lease &BusyLeases::Lease::operator=(Lease &&other) noexcept
{
    if (this != &other) {
        release();
        m_owner = other.m_owner;
        m_id = other.m_id;
        other.m_owner = nullptr;
        other.m_id = 0;
    }
    return *this;
}

BusyLeases::Lease::~Lease()
{
    release();
}

void BusyLeases::Lease::release()
{
    // Cleared first: the owner's signal may run code that moves or ends this lease.
    QPointer<BusyLeases> owner = m_owner;
    const quint64 id = m_id;
    m_owner = nullptr;
    m_id = 0;
    if (owner && id != 0)
        owner->end(id);
}

BusyLeases::BusyLeases(QObject *parent)
    : QObject(parent)
{
}

BusyLeases::~BusyLeases() = default;

BusyLeases::Lease BusyLeases::acquire(const QString &holder)
{
    const quint64 id = m_nextId++;
    m_holders.append({id, holder});
    if (m_holders.size() == 1)
        emit busyChanged(true);
    return Lease(this, id);
}

QStringList BusyLeases::holders() const
{
    QStringList names;
    for (const Holder &h : m_holders)
        names << h.name;
    return names;
}

void BusyLeases::end(quint64 id)
{
    for (qsizetype i = 0; i < m_holders.size(); ++i) {
        if (m_holders[i].id != id)
            continue;
        m_holders.removeAt(i);
        if (m_holders.isEmpty())
            emit busyChanged(false);
        return;
    }
}

} // namespace quillon
