// PNG files of grabbed screen images through libpng's simplified interface.
#include "screen_image.h"

#include <png.h>

bool writePng(const ScreenImage& image, const std::string& path)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr) != 0;
}

ScreenImage readPng(const std::string& path)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    ScreenImage image;
    if (png_image_begin_read_from_file(&png, path.c_str()) != 0) {
        png.format = PNG_FORMAT_RGB;
        image.rgb.resize(PNG_IMAGE_SIZE(png));
        if (png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr) != 0) {
            image.width = static_cast<int>(png.width);
            image.height = static_cast<int>(png.height);
        }
    }
    png_image_free(&png);
    return image;
}
