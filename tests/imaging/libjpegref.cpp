#include "tests/imaging/libjpegref.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace quillon::test {

namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

void quiet(j_common_ptr, int) {}

} // namespace

std::vector<quint8> referenceEncode(const SynthImage &image, int quality, const int sampling[6])
{
    jpeg_compress_struct info{};
    ErrorManager err{};
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width);
    info.image_height = JDIMENSION(image.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX; // 0xFFRRGGBB words in little-endian memory
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = JDCT_FLOAT;
    info.optimize_coding = TRUE;
    for (int c = 0; c < 3; ++c) {
        info.comp_info[c].h_samp_factor = sampling[2 * c];
        info.comp_info[c].v_samp_factor = sampling[2 * c + 1];
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<quint32 *>(image.pixels.data())
                                                  + std::size_t(info.next_scanline) * image.width);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<quint8> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

bool referenceDecode(const quint8 *data, std::size_t size, int &width, int &height, std::vector<quint8> &rgb)
{
    jpeg_decompress_struct info{};
    ErrorManager err{};
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.base.emit_message = quiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    width = int(info.output_width);
    height = int(info.output_height);
    rgb.assign(std::size_t(width) * height * 3, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb.data() + std::size_t(info.output_scanline) * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    const bool clean = err.base.num_warnings == 0;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return clean;
}

} // namespace quillon::test
