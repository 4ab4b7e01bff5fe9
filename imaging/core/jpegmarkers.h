#pragma once

#include "imaging/core/jpeghuffman.h"
#include "imaging/core/jpegtables.h"

#include <QByteArray>
#include <QtGlobal>

#include <vector>

namespace quillon::jpeg {

struct FrameComponent
{
    int id{0};
    int h{1};
    int v{1};
    int quantTable{0};
    int dcTable{0};
    int acTable{0};
};

enum class TableClass { DC = 0, AC = 1 };

// Each appends one marker segment to out.
void writeStartOfImage(std::vector<quint8> &out);
void writeJfifHeader(std::vector<quint8> &out);
void writeComment(std::vector<quint8> &out, const QByteArray &text); // at most 65533 bytes
void writeQuantTable(std::vector<quint8> &out, int table, const Table64 &zigZag);
void writeFrameHeader(std::vector<quint8> &out, int width, int height, const std::vector<FrameComponent> &components);
void writeHuffmanTable(std::vector<quint8> &out, TableClass tableClass, int table, const HuffmanSpec &spec);
void writeScanHeader(std::vector<quint8> &out, const std::vector<FrameComponent> &components);
void writeEndOfImage(std::vector<quint8> &out);

} // namespace quillon::jpeg
