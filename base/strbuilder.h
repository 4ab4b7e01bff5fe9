#pragma once

#include <QString>

namespace quillon {

// A growable text buffer for building long texts piece by piece. Capacity
// grows in whole steps of BufferSize characters, enough for each new piece.
class StrBuilder final
{
public:
    static constexpr int DefaultBufferSize = 1024;

    void Append(const QString &text);

    QString Value() const;
    void setValue(const QString &value);

    int BufferSize() const { return m_bufferSize; }
    // The absolute value is used; 0 restores the default step.
    void setBufferSize(int size);

    // Empties the buffer and restores the default step.
    void Reset();

    qsizetype capacity() const { return m_buffer.size(); }
    qsizetype length() const { return m_used; }

private:
    QString m_buffer;
    qsizetype m_used{0};
    int m_bufferSize{DefaultBufferSize};
};

} // namespace quillon
