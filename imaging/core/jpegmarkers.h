#pragma once

#include "imaging/core/jpegbytesink.h"
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
constexpr std::size_t kMaxHeaderBytes = 160 * 1024; // every segment but the scan data
void writeStartOfImage(ByteSink &out);
void writeJfifHeader(ByteSink &out);
void writeComment(ByteSink &out, const QByteArray &text); // at most 65533 bytes
void writeQuantTable(ByteSink &out, int table, const Table64 &zigZag);
void writeFrameHeader(ByteSink &out, int width, int height, const std::vector<FrameComponent> &components);
void writeHuffmanTable(ByteSink &out, TableClass tableClass, int table, const HuffmanCodeTable &huff);
void writeScanHeader(ByteSink &out, const std::vector<FrameComponent> &components);
void writeEndOfImage(ByteSink &out);

} // namespace quillon::jpeg
