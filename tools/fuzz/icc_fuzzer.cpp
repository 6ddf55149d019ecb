// libFuzzer target for embedded colour profiles: any bytes as a profile,
// split into APP2 chunks in any order as a JPEG carries it, assembled, and
// used to convert a small picture of every kind of pixel (grey and colour,
// dark and light), to sRGB and, as a CMYK profile, from ink values. Besides
// the sanitizers' findings it checks the promises: a profile either
// converts or is ignored with a note, and an ignored one leaves the pixels
// as they were.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "imaging/colour_profile.h"

using vendrik::fuzz::require;

namespace {

// Every channel value in dark, light and mixed pixels, grey in the first row.
vendrik::Surface probe() {
    vendrik::Surface s(64, 5);
    for (int x = 0; x < 64; ++x) {
        const auto v = static_cast<std::uint8_t>(x * 4 + 3);
        s.setPixel(x, 0, vendrik::Bgr{v, v, v});
        s.setPixel(x, 1, vendrik::Bgr{static_cast<std::uint8_t>(x % 3), 1, static_cast<std::uint8_t>(x % 5)});
        s.setPixel(x, 2, vendrik::Bgr{static_cast<std::uint8_t>(255 - v), v, 200});
        s.setPixel(x, 3, vendrik::Bgr{0, static_cast<std::uint8_t>(v ^ 0x55), 255});
        s.setPixel(x, 4, vendrik::Bgr{255, 255, static_cast<std::uint8_t>(v)});
    }
    return s;
}

bool same(const vendrik::Surface& a, const vendrik::Surface& b) {
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.row(y), b.row(y), static_cast<std::size_t>(a.width()) * 3) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vendrik;
    // The first byte: the picture's channels, CMYK's inversion, and into
    // how many chunks (1 to 4) the profile is split, stored last first.
    const auto input = fuzz::chosenInput(data, size);
    if (!input) {
        return 0;
    }
    const std::uint8_t choice = input->choice;
    const std::span<const std::uint8_t> bytes = input->bytes;
    const int parts = 1 + ((choice >> 2) & 3);
    const std::size_t part = (bytes.size() + static_cast<std::size_t>(parts) - 1) / static_cast<std::size_t>(parts);
    IccChunks chunks;
    for (int i = parts; i >= 1; --i) {
        const std::size_t from = std::min(bytes.size(), part * static_cast<std::size_t>(i - 1));
        const std::size_t to = std::min(bytes.size(), part * static_cast<std::size_t>(i));
        std::vector<std::uint8_t> segment(12 + 2);
        std::memcpy(segment.data(), "ICC_PROFILE\0", 12);
        segment[12] = static_cast<std::uint8_t>(i);
        segment[13] = static_cast<std::uint8_t>(parts);
        segment.insert(segment.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from),
                       bytes.begin() + static_cast<std::ptrdiff_t>(to));
        chunks.add(segment);
    }
    std::string problem;
    const auto profile = chunks.profile(problem);
    if (!profile) {
        require(!problem.empty() || bytes.empty());
        return 0;
    }
    require(profile->size() == bytes.size());

    const PictureChannels channels = (choice & 1) != 0 ? PictureChannels::Grey : PictureChannels::Colour;
    Surface pixels = probe();
    const ColourReport report = convertToSrgb(pixels, *profile, channels);
    switch (report.outcome) {
        case ColourOutcome::Ignored:
            require(!report.note.empty());
            require(same(pixels, probe()));
            break;
        case ColourOutcome::Srgb:
            require(same(pixels, probe()));
            break;
        case ColourOutcome::Converted:
            require(isGreyProfile(*profile) == (channels == PictureChannels::Grey));
            break;
        default:
            require(false);
    }
    (void)isSrgbProfile(*profile);

    std::string cmykProblem;
    const auto cmyk = CmykToSrgb::create(*profile, (choice & 2) != 0, cmykProblem);
    if (cmyk) {
        std::vector<std::uint8_t> ink(64 * 4);
        for (std::size_t i = 0; i < ink.size(); ++i) {
            ink[i] = static_cast<std::uint8_t>(i * 37);
        }
        std::vector<std::uint8_t> bgr(64 * 3);
        cmyk->convertRow(ink.data(), bgr.data(), 64);
    } else {
        require(!cmykProblem.empty());
    }
    return 0;
}
