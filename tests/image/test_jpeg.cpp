// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/jpeg.h"

#include "core/error.h"
#include "support/errors.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

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

TEST(Jpeg, RoundTrip)
{
    RgbImage decoded = decode_jpeg(encode_jpeg(gradient(64, 48), 95));
    ASSERT_EQ(decoded.width, 64);
    ASSERT_EQ(decoded.height, 48);
    EXPECT_NEAR(decoded.pixels[(10 * 64 + 20) * 3], 20, 4);
    EXPECT_NEAR(decoded.pixels[(10 * 64 + 20) * 3 + 1], 10, 4);
}

TEST(Jpeg, LargePicturesAreDecodedSmaller)
{
    RgbImage decoded = decode_jpeg(encode_jpeg(gradient(3200, 1600), 50), 750);
    EXPECT_EQ(decoded.width, 1600);
    EXPECT_EQ(decoded.height, 800);
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
    EXPECT_EQ(error_of([&] { load_picture((dir.path() / "c.png").string()); }),
              "Unknown picture file extension (.png)");
    EXPECT_EQ(error_of([&] {
                  load_picture((dir.path() / "gone.jpg").string());
              }).rfind("Cannot open file", 0),
              0u);
}

}  // namespace
}  // namespace orvek
