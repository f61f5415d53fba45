// The GIF writer: a global 6x6x6 colour cube, the loop extension, and each
// frame as one image with its delay; giflib compresses and frames it.
#include "animated_gif.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

namespace {

constexpr int levels = 6;
constexpr int paletteSize = 256; // the 216 of the cube, padded to a power of two

int level(int channel) { return (channel * (levels - 1) + 127) / 255; }

GifByteType intensity(int level) { return static_cast<GifByteType>(level * 255 / (levels - 1)); }

bool putHeader(GifFileType* gif, int width, int height)
{
    ColorMapObject* palette = GifMakeMapObject(paletteSize, nullptr);
    if (palette == nullptr) {
        return false;
    }
    for (int i = 0; i < levels * levels * levels; ++i) {
        palette->Colors[i] = {intensity(i / (levels * levels)), intensity(i / levels % levels),
                              intensity(i % levels)};
    }
    EGifSetGifVersion(gif, true);
    const bool written = EGifPutScreenDesc(gif, width, height, 8, 0, palette) == GIF_OK;
    GifFreeMapObject(palette);
    // The application extension that makes viewers loop for ever (count 0).
    return written && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
           EGifPutExtensionBlock(gif, 3, "\x01\x00\x00") == GIF_OK &&
           EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool putFrame(GifFileType* gif, const ScreenImage& frame, int delayCentiseconds)
{
    GraphicsControlBlock timing{};
    timing.DelayTime = delayCentiseconds;
    timing.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType control[4];
    EGifGCBToExtension(&timing, control);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof control, control) != GIF_OK ||
        EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, nullptr) != GIF_OK) {
        return false;
    }
    std::vector<GifPixelType> row(static_cast<std::size_t>(frame.width));
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const Rgb c = frame.at(x, y);
            row[static_cast<std::size_t>(x)] =
                static_cast<GifPixelType>((level(c.r) * levels + level(c.g)) * levels + level(c.b));
        }
        if (EGifPutLine(gif, row.data(), frame.width) != GIF_OK) {
            return false;
        }
    }
    return true;
}

} // namespace

bool writeGif(const std::vector<ScreenImage>& frames, int delayCentiseconds,
              const std::string& path)
{
    // Opened here, as giflib would make the file readable by its owner only.
    const int fd = frames.empty() ? -1 : open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int error = 0;
    GifFileType* gif = fd >= 0 ? EGifOpenFileHandle(fd, &error) : nullptr;
    if (gif == nullptr) {
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    bool written = putHeader(gif, frames[0].width, frames[0].height);
    for (const ScreenImage& frame : frames) {
        written = written && frame.width == frames[0].width && frame.height == frames[0].height &&
                  putFrame(gif, frame, delayCentiseconds);
    }
    return EGifCloseFile(gif, &error) == GIF_OK && written;
}
