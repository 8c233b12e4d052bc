// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/jpeg.h"

#include "core/error.h"
#include "support/errors.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace orvek {
namespace {

using testing::error_of;

RgbImage gradient(int width, int height)
{
    RgbImage image{width, height,
                   std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(x), p[1] = static_cast<std::uint8_t>(y), p[2] = 128;
        }
    return image;
}

// A one-channel picture, as a grey nebula is saved: every pixel `level`.
std::string grey_jpeg(int width, int height, std::uint8_t level)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width), level);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

TEST(Jpeg, RoundTrip)
{
    RgbImage decoded = decode_jpeg(encode_jpeg(gradient(64, 48), 95));
    ASSERT_EQ(decoded.width, 64);
    ASSERT_EQ(decoded.height, 48);
    EXPECT_NEAR(decoded.pixels[(10 * 64 + 20) * 3], 20, 4);
    EXPECT_NEAR(decoded.pixels[(10 * 64 + 20) * 3 + 1], 10, 4);
    EXPECT_LT(encode_jpeg(gradient(64, 48), 10).size(), encode_jpeg(gradient(64, 48), 95).size())
        << "the quality asked for";
    const RgbImage grey = decode_jpeg(grey_jpeg(8, 4, 200));
    ASSERT_EQ(grey.pixels.size(), 8u * 4 * 3) << "a grey picture as RGB";
    EXPECT_NEAR(grey.pixels.back(), 200, 2);
    EXPECT_NEAR(grey.pixels[grey.pixels.size() - 2], 200, 2);
}

// A large picture is decoded at the smallest of 1/8, 1/4 and 1/2 that keeps both sides at least
// the side asked for, and only up to the most pixels allowed.
TEST(Jpeg, LargePicturesAreDecodedSmaller)
{
    const std::string bytes = encode_jpeg(gradient(1600, 800), 50);
    struct Row {
        const char* name;
        int min_side, width, height;
    } rows[] = {{"no side asked", 0, 1600, 800},
                {"an eighth, just", 100, 200, 100},
                {"a quarter: an eighth is a pixel short", 101, 400, 200},
                {"the shorter side decides", 150, 400, 200},
                {"a half, just", 400, 800, 400},
                {"whole: a half is a pixel short", 401, 1600, 800}};
    for (const Row& row : rows) {
        const RgbImage decoded = decode_jpeg(bytes, row.min_side);
        EXPECT_EQ(std::pair(decoded.width, decoded.height), std::pair(row.width, row.height))
            << row.name;
    }
    const RgbImage portrait = decode_jpeg(encode_jpeg(gradient(800, 1600), 50), 100);
    EXPECT_EQ(std::pair(portrait.width, portrait.height), std::pair(100, 200)) << "an eighth, just";
    EXPECT_EQ(decode_jpeg(bytes, 0, 1600 * 800).width, 1600) << "as many pixels as allowed";
    EXPECT_EQ(decode_jpeg(bytes, 100, 200 * 100).width, 200) << "counted at the size decoded";
    EXPECT_EQ(error_of([&] { decode_jpeg(bytes, 0, 1600 * 800 - 1); }).rfind("JPEG error #", 0),
              0u);
}

TEST(Jpeg, BadDataGivesTheJpegError)
{
    const std::string good = encode_jpeg(gradient(32, 32), 90);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"a PNG", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"text", "not a picture at all"},
        {"cut after the header", good.substr(0, 20)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(error_of([&] { decode_jpeg(c.bytes); }).rfind("JPEG error #", 0), 0u) << c.what;
}

TEST(Jpeg, PictureFilesByExtension)
{
    testing::TempDir dir;
    const std::string jpeg = encode_jpeg(gradient(16, 16), 90);
    dir.write("a.JPG", jpeg);
    dir.write("b.jpeg", jpeg);
    dir.write("c.png", jpeg);
    EXPECT_EQ(load_picture((dir.path() / "a.JPG").string()).width, 16);
    EXPECT_EQ(load_picture((dir.path() / "b.jpeg").string()).width, 16);
    EXPECT_EQ(load_picture((dir.path() / "b.jpeg").string(), 8).width, 8) << "at half its size";
    EXPECT_EQ(error_of([&] { load_picture((dir.path() / "c.png").string()); }),
              "Unknown picture file extension (.png)");
    EXPECT_EQ(error_of([&] {
                  load_picture((dir.path() / "gone.jpg").string());
              }).rfind("Cannot open file", 0),
              0u);
}

}  // namespace
}  // namespace orvek
