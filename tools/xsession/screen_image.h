// A grabbed screen area as 8-bit RGB rows, top row first (X's order, not GL's),
// and its PNG file, written and read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    int r;
    int g;
    int b;
};

struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // width * height * 3

    Rgb at(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// Writes the image as an 8-bit RGB PNG; false when the file cannot be written.
bool writePng(const ScreenImage& image, const std::string& path);
// The PNG file as 8-bit RGB; width 0 when it cannot be read.
ScreenImage readPng(const std::string& path);
