// libFuzzer target for picture loading: any bytes as a picture file, the
// format found by content as the loader finds it, decoded with the options
// a run uses (a box to fit, colours converted now or after scaling, or not
// at all) and fitted into a box. Besides the sanitizers' findings it checks
// the loader's promises: a picture within the limits whose decoded pixels
// match what was reserved for them, or a reason.

#include <cstdint>
#include <span>
#include <string>

#include "fuzz_support.h"
#include "imaging/picture_loader.h"
#include "imaging/scaling.h"

using vendrik::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vendrik;
    // The first byte chooses the options, the rest is the file.
    const auto input = fuzz::chosenInput(data, size);
    if (!input) {
        return 0;
    }
    const std::uint8_t choice = input->choice;
    const fuzz::MemoryFile file(input->bytes);

    LoadOptions options;
    options.convertColours = (choice & 1) != 0;
    options.deferColourConversion = (choice & 2) != 0;
    if ((choice & 4) != 0) {
        options.fitBox = BoxSize{16 + (choice >> 4) * 8, 12 + (choice >> 4) * 6};
    }
    std::size_t reserved = 0;
    int reservations = 0;
    options.reserveMemory = [&](const DecodeMemory& m) {
        reserved = m.picture;
        ++reservations;
    };
    ColourReport report;
    options.colourReport = &report;
    const Result<LoadedPicture> picture = loadPicture(file.path(), options);
    if (!picture) {
        require(!picture.reason().empty());
    } else {
        require(picture->width > 0 && picture->height > 0);
        require(withinPictureLimits(picture->width, picture->height));
        require(!picture->pixels.empty());
        // Reserved once, before the pixels were taken, for at least them.
        require(reservations == 1);
        require(reserved >= Surface::paddedStride(picture->pixels.width()) *
                                static_cast<std::size_t>(picture->pixels.height()) ||
                // A picture turned upright swaps its sides.
                reserved >= Surface::paddedStride(picture->pixels.height()) *
                                 static_cast<std::size_t>(picture->pixels.width()));
        require(report.outcome != ColourOutcome::Ignored || !report.note.empty());
        require(picture->iccProfile.size() <= kMaxProfileBytes);
    }
    if ((choice & 8) != 0) {
        options.fitBox.reset();
        const Result<Surface> fitted = FitPictureToBox(file.path(), BoxSize{40, 30}, options);
        if (fitted) {
            require(fitted->width() > 0 && fitted->width() <= 40);
            require(fitted->height() > 0 && fitted->height() <= 30);
        } else {
            require(!fitted.reason().empty());
        }
    }
    return 0;
}
