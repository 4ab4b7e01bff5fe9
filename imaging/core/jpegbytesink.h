#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstring>
#include <memory>

namespace quillon::jpeg {

// Output buffer sized once for the worst case; pages never written are never
// touched, so the generous size costs nothing.
class ByteSink final
{
public:
    explicit ByteSink(std::size_t capacity)
        : m_data(std::make_unique_for_overwrite<quint8[]>(capacity))
        , m_capacity(capacity)
    {
    }

    void put(quint8 b) { m_data[m_size++] = b; }
    void append(const void *bytes, std::size_t n)
    {
        std::memcpy(m_data.get() + m_size, bytes, n);
        m_size += n;
    }
    quint8 *cursor() { return m_data.get() + m_size; }
    void advance(std::size_t n) { m_size += n; }
    std::size_t size() const { return m_size; }
    std::size_t room() const { return m_capacity - m_size; }
    QByteArray toByteArray() const { return QByteArray(reinterpret_cast<const char *>(m_data.get()), qsizetype(m_size)); }

private:
    std::unique_ptr<quint8[]> m_data;
    std::size_t m_capacity{0};
    std::size_t m_size{0};
};

} // namespace quillon::jpeg
