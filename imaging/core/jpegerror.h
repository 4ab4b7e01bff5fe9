#pragma once

#include <QString>

#include <exception>

namespace quillon {

// A consistency error of the JPEG encoder, raised to the caller who logs it.
class JpegError final : public std::exception
{
public:
    enum Code {
        InvalidSamplingValue = 1001,
        IllegalCommentLength = 1002,
        BadQuantizationTable = 1003,
        IllegalQuantizationPrecision = 1004,
        BadHuffmanTable = 1005,
        IllegalImageSize = 1006,
    };

    explicit JpegError(Code code);

    Code code() const noexcept { return m_code; }
    QString description() const;
    const char *what() const noexcept override;

private:
    Code m_code{BadHuffmanTable};
};

} // namespace quillon
