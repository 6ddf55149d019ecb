// GIF through giflib: the first frame, drawn onto the logical screen, with
// the transparent colour and any uncovered screen area white.

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "imaging/picture_decoders.h"

namespace vendrik::decoders {
namespace {

int readFromFile(GifFileType* gif, GifByteType* buffer, int size) {
    return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(size),
                                       static_cast<std::FILE*>(gif->UserData)));
}

struct GifCloser {
    void operator()(GifFileType* g) const {
        int err = 0;
        DGifCloseFile(g, &err);
    }
};

std::string gifReason(int code) {
    const char* text = GifErrorString(code);
    return std::string("GIF beschädigt oder abgeschnitten: ") + (text != nullptr ? text : "?");
}

constexpr int kGraphicsControl = 0xF9;

}  // namespace

Result<void> decodeGif(std::FILE* file, const LoadOptions& options, LoadedPicture& out) {
    int code = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(file, readFromFile, &code));
    if (!gif) {
        return Failure{gifReason(code)};
    }
    int transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
            return Failure{gifReason(gif->Error)};
        }
        if (record == TERMINATE_RECORD_TYPE) {
            return Failure{"GIF enthält kein Bild"};
        }
        if (record == EXTENSION_RECORD_TYPE) {
            int extCode = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif.get(), &extCode, &ext) == GIF_ERROR) {
                return Failure{gifReason(gif->Error)};
            }
            // GIF89a section 23: packed flags, delay (2 bytes), index.
            if (extCode == kGraphicsControl && ext != nullptr && ext[0] >= 4 && (ext[1] & 1) != 0) {
                transparent = ext[4];
            }
            while (ext != nullptr) {
                if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR) {
                    return Failure{gifReason(gif->Error)};
                }
            }
            continue;
        }
        if (record == IMAGE_DESC_RECORD_TYPE) {
            break;
        }
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
        return Failure{gifReason(gif->Error)};
    }
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (map == nullptr || map->Colors == nullptr) {
        return Failure{"GIF ohne Farbtabelle"};
    }
    if (Result<void> size = checkPictureSize(frame.Width, frame.Height); !size) {
        return size;
    }
    // The screen, or the frame's own extent when a broken header leaves the
    // screen too small for it.
    const int screenW = std::max(gif->SWidth, frame.Left + frame.Width);
    const int screenH = std::max(gif->SHeight, frame.Top + frame.Height);
    if (Result<void> size = checkPictureSize(screenW, screenH); !size) {
        return size;
    }
    if (Result<void> allocated = allocatePixels(out, screenW, screenH, options); !allocated) {
        return allocated;
    }
    out.pixels.fill({255, 255, 255});

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    auto drawLine = [&](int y) {
        std::uint8_t* o = out.pixels.row(frame.Top + y) + static_cast<std::ptrdiff_t>(frame.Left) * 3;
        for (int x = 0; x < frame.Width; ++x, o += 3) {
            const int index = line[static_cast<std::size_t>(x)];
            if (index == transparent) {
                continue;
            }
            if (index < map->ColorCount) {
                const GifColorType& c = map->Colors[index];
                o[0] = c.Blue;
                o[1] = c.Green;
                o[2] = c.Red;
            } else {
                o[0] = o[1] = o[2] = 0;
            }
        }
    };
    // GIF89a appendix E: interlaced rows come in four passes.
    constexpr int kPassStart[] = {0, 4, 2, 1};
    constexpr int kPassStep[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kPassStart[pass] : 0;
        const int step = frame.Interlace ? kPassStep[pass] : 1;
        for (int y = start; y < frame.Height; y += step) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) {
                return Failure{gifReason(gif->Error)};
            }
            drawLine(y);
        }
    }
    return {};
}

}  // namespace vendrik::decoders
