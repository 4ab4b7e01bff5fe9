#pragma once

// What every fuzz target shares: the input as the program sees router and
// file text (one character per byte), cut into parts at a separator byte.

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace quillon::fuzz {

inline QString text(const uint8_t *data, size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Parts cut at byte 0x01, so one input can fill several replies.
inline QStringList parts(const uint8_t *data, size_t size)
{
    return text(data, size).split(QChar(0x01));
}

// A finding that is no crash: a broken promise of the parser.
inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace quillon::fuzz
