// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/jpeg.h"

#include "core/ascii.h"

#include "core/error.h"
#include "gamedata/file_system.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <jpeglib.h>
#include <jerror.h>

namespace orvek {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return; it jumps back to the
// call that started the work, carrying libjpeg's message code.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void on_error(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void on_message(j_common_ptr, int) {}  // warnings are not shown

// Routes libjpeg's errors to on_error and silences its warnings.
jpeg_error_mgr* use(ErrorManager& errors)
{
    jpeg_error_mgr* manager = jpeg_std_error(&errors.base);
    manager->error_exit = on_error;
    manager->emit_message = on_message;
    return manager;
}

Error jpeg_error(int code)
{
    return Error("JPEG error #" + std::to_string(code));
}

// Returns 0 on success, else libjpeg's message code. Nothing with a destructor lives in this
// frame, so the long jump out of libjpeg is safe.
int decode_into(const unsigned char* data, unsigned long size, int min_side, long long max_pixels,
                RgbImage* out, std::vector<std::uint8_t>* pixels)
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = use(errors);
    if (setjmp(errors.jump)) {
        int code = errors.base.msg_code;
        jpeg_destroy_decompress(&info);
        return code == 0 ? -1 : code;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = 1;
    if (min_side > 0) {
        for (unsigned denom = 8; denom > 1; denom /= 2)
            if (info.image_width / denom >= static_cast<unsigned>(min_side) &&
                info.image_height / denom >= static_cast<unsigned>(min_side)) {
                info.scale_denom = denom;
                break;
            }
    }
    jpeg_calc_output_dimensions(&info);
    if (static_cast<long long>(info.output_width) * info.output_height > max_pixels) {
        jpeg_destroy_decompress(&info);
        return JERR_IMAGE_TOO_BIG;
    }
    jpeg_start_decompress(&info);
    out->width = static_cast<int>(info.output_width);
    out->height = static_cast<int>(info.output_height);
    const std::size_t row = static_cast<std::size_t>(info.output_width) * 3;
    pixels->resize(row * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {pixels->data() + row * info.output_scanline};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return 0;
}

int encode_into(const RgbImage* image, int quality, unsigned char** buffer, unsigned long* size)
{
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = use(errors);
    if (setjmp(errors.jump)) {
        int code = errors.base.msg_code;
        jpeg_destroy_compress(&info);
        return code == 0 ? -1 : code;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = static_cast<JDIMENSION>(image->width);
    info.image_height = static_cast<JDIMENSION>(image->height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t row = static_cast<std::size_t>(image->width) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {const_cast<std::uint8_t*>(image->pixels.data()) +
                            row * info.next_scanline};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 0;
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = ascii_lower(c);
    return text;
}

}  // namespace

RgbImage decode_jpeg(std::string_view bytes, int min_side, long long max_pixels)
{
    RgbImage image;
    std::vector<std::uint8_t> pixels;
    int code = decode_into(reinterpret_cast<const unsigned char*>(bytes.data()),
                           static_cast<unsigned long>(bytes.size()), min_side, max_pixels, &image,
                           &pixels);
    if (code != 0)
        throw jpeg_error(code);
    image.pixels = std::move(pixels);
    return image;
}

RgbImage load_picture(const std::string& path, int min_side)
{
    std::string extension = std::filesystem::path(path).extension().string();
    if (!extension.empty() && extension[0] == '.')
        extension.erase(0, 1);
    if (lower(extension) != "jpg" && lower(extension) != "jpeg")
        throw Error("Unknown picture file extension (." + extension + ")");
    return decode_jpeg(read_file(path), min_side);
}

std::string encode_jpeg(const RgbImage& image, int quality)
{
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    int code = encode_into(&image, quality, &buffer, &size);
    std::string bytes;
    if (code == 0)
        bytes.assign(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    if (code != 0)
        throw jpeg_error(code);
    return bytes;
}

}  // namespace orvek
