// GIF89a writer: global 6x6x6 colour cube, the NETSCAPE loop extension, and
// one LZW-compressed image per frame (codes of 9 to 12 bits, cleared when full).
#include "animated_gif.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <unordered_map>

namespace {

constexpr int levels = 6;
constexpr int minCodeSize = 8;
constexpr int clearCode = 1 << minCodeSize;
constexpr int endCode = clearCode + 1;
constexpr int maxCode = 4095;

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

int level(int channel) { return (channel * (levels - 1) + 127) / 255; }

int paletteIndex(Rgb c) { return (level(c.r) * levels + level(c.g)) * levels + level(c.b); }

// Packs variable-width codes least significant bit first.
struct BitWriter {
    Bytes bytes;
    std::uint32_t buffer = 0;
    int bits = 0;

    void put(int code, int width)
    {
        buffer |= static_cast<std::uint32_t>(code) << bits;
        for (bits += width; bits >= 8; bits -= 8, buffer >>= 8) {
            bytes.push_back(static_cast<std::uint8_t>(buffer & 0xff));
        }
    }
    void flush()
    {
        if (bits > 0) {
            bytes.push_back(static_cast<std::uint8_t>(buffer & 0xff));
        }
    }
};

Bytes compress(const ScreenImage& image)
{
    BitWriter out;
    std::unordered_map<std::uint32_t, int> table; // (prefix code << 8 | next index) -> code
    int nextCode = endCode + 1;
    int width = minCodeSize + 1;
    out.put(clearCode, width);
    int prefix = -1;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int index = paletteIndex(image.at(x, y));
            if (prefix < 0) {
                prefix = index;
                continue;
            }
            const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | index;
            if (const auto found = table.find(key); found != table.end()) {
                prefix = found->second;
                continue;
            }
            out.put(prefix, width);
            if (nextCode <= maxCode) {
                table[key] = nextCode++;
                // The decoder widens its codes one code later than the table grows.
                width += nextCode - 1 == (1 << width) && width < 12 ? 1 : 0;
            } else {
                out.put(clearCode, width);
                table.clear();
                nextCode = endCode + 1;
                width = minCodeSize + 1;
            }
            prefix = index;
        }
    }
    out.put(prefix, width);
    out.put(endCode, width);
    out.flush();
    return out.bytes;
}

} // namespace

bool writeGif(const std::vector<ScreenImage>& frames, int delayCentiseconds,
              const std::string& path)
{
    if (frames.empty()) {
        return false;
    }
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    put16(out, frames[0].width);
    put16(out, frames[0].height);
    out.insert(out.end(), {0xf7, 0, 0}); // global palette of 256 entries
    for (int i = 0; i < 256; ++i) {
        const int r = i / (levels * levels);
        const int g = i / levels % levels;
        const int b = i % levels;
        const bool inCube = i < levels * levels * levels;
        const std::initializer_list<int> channels = {r, g, b};
        std::transform(
            channels.begin(), channels.end(), std::back_inserter(out), [inCube](int channel) {
                return static_cast<std::uint8_t>(inCube ? channel * 255 / (levels - 1) : 0);
            });
    }
    const char loop[] = "\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00";
    out.insert(out.end(), loop, loop + sizeof loop - 1);
    for (const ScreenImage& frame : frames) {
        out.insert(out.end(), {0x21, 0xf9, 0x04, 0x00});
        put16(out, delayCentiseconds);
        out.insert(out.end(), {0x00, 0x00, 0x2c, 0, 0, 0, 0});
        put16(out, frame.width);
        put16(out, frame.height);
        out.insert(out.end(), {0x00, minCodeSize});
        const Bytes data = compress(frame);
        for (std::size_t at = 0; at < data.size(); at += 255) {
            const std::size_t length = std::min<std::size_t>(255, data.size() - at);
            out.push_back(static_cast<std::uint8_t>(length));
            const auto first = data.begin() + static_cast<std::ptrdiff_t>(at);
            out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(length));
        }
        out.push_back(0);
    }
    out.push_back(0x3b);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}
