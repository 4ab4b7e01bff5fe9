#include "base/strbuilder.h"

#include <algorithm>
#include <cstdlib>

namespace quillon {

void StrBuilder::Append(const QString &text)
{
    const qsizetype length = text.size();
    if (length > m_buffer.size() - m_used) {
        const qsizetype step = m_bufferSize;
        m_buffer.resize(m_buffer.size() + (length / step + 1) * step, QLatin1Char(' '));
    }
    std::copy(text.cbegin(), text.cend(), m_buffer.begin() + m_used);
    m_used += length;
}

QString StrBuilder::Value() const
{
    return m_buffer.left(m_used);
}

void StrBuilder::setValue(const QString &value)
{
    m_buffer.clear();
    m_used = 0;
    Append(value);
}

void StrBuilder::setBufferSize(int size)
{
    const qint64 step = std::llabs(qint64(size));
    m_bufferSize = step == 0 || step > 0x3FFFFFFF ? DefaultBufferSize : int(step);
}

void StrBuilder::Reset()
{
    m_buffer.clear();
    m_used = 0;
    m_bufferSize = DefaultBufferSize;
}

} // namespace quillon
