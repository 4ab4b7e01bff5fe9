#include "imaging/core/jpegerror.h"

namespace quillon {

namespace {

const char *text(JpegError::Code code)
{
    switch (code) {
    case JpegError::InvalidSamplingValue:
        return "Invalid Sampling Value";
    case JpegError::IllegalCommentLength:
        return "Illegal Comment Length";
    case JpegError::BadQuantizationTable:
        return "Bad Quantization Table";
    case JpegError::IllegalQuantizationPrecision:
        return "Illegal precission in Quantization Table";
    case JpegError::BadHuffmanTable:
        return "Bad Huffman Table";
    case JpegError::IllegalImageSize:
        return "Illegal Image Size";
    }
    return "Bad Huffman Table";
}

} // namespace

JpegError::JpegError(Code code)
    : m_code(code)
{
}

QString JpegError::description() const
{
    return QString::fromLatin1(text(m_code));
}

const char *JpegError::what() const noexcept
{
    return text(m_code);
}

} // namespace quillon
