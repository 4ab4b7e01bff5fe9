#pragma once

#include "tests/imaging/synthimages.h"

#include <QtGlobal>

#include <vector>

namespace quillon::test {

// libjpeg-turbo as the yardstick: float DCT, optimised Huffman tables.
std::vector<quint8> referenceEncode(const SynthImage &image, int quality, const int sampling[6]);

// Decodes to tightly packed RGB888; false on any decoder error.
bool referenceDecode(const quint8 *data, std::size_t size, int &width, int &height, std::vector<quint8> &rgb);

} // namespace quillon::test
