#pragma once
// Colour profiles embedded in pictures, and turning decoded pixels into sRGB.
//
// Vendrik writes its JPEG files without a profile, which every viewer reads
// as sRGB. A picture that carries another profile (Display P3 from a phone,
// Adobe RGB from a camera) therefore has its pixels converted to sRGB with
// Little CMS when it is loaded, perceptual intent, so that the output looks
// as the source does in a colour-managed viewer. A picture without a profile,
// or with a profile that is sRGB, keeps its pixels byte for byte: no
// transform is even built for it.
//
// Every byte of a profile comes from the file and is distrusted: a profile
// above kMaxProfileBytes, one Little CMS cannot read, one whose colour space
// does not fit the picture's channels (a grey profile on a colour picture),
// and one whose curves or primaries leave what a colour space can hold (a
// curve that overflows to infinity, primaries that are no colours) is
// ignored, and the caller is told why.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/surface.h"

namespace vendrik {

// The largest profile the loader takes. Real profiles are a few hundred
// bytes (matrix and curves) to about 2 MB (print profiles with large tables).
inline constexpr std::size_t kMaxProfileBytes = std::size_t{4} * 1024 * 1024;

// What became of a picture's colours on loading.
enum class ColourOutcome {
    NoProfile,     // nothing embedded: the pixels are taken as sRGB
    Srgb,          // an sRGB profile: pixels untouched
    Converted,     // converted from the embedded profile to sRGB
    NotConverted,  // a profile was there, but conversion was turned off
    Ignored,       // a profile that could not be used; `note` says why
};

struct ColourReport {
    ColourOutcome outcome = ColourOutcome::NoProfile;
    std::string note;  // German; set for Ignored
};

// Collects the APP2 "ICC_PROFILE" segments of a JPEG. A profile too large for
// one segment is split into numbered chunks (sequence number 1..count, the
// count the same in every chunk), which may come in any order.
class IccChunks {
public:
    // `segment` is an APP2 payload after its length field. Segments of other
    // kinds are passed over.
    void add(std::span<const std::uint8_t> segment);
    [[nodiscard]] bool empty() const noexcept { return m_chunks.empty() && m_problem.empty(); }
    // The whole profile; nullopt with `problem` set when chunks are missing,
    // repeated or inconsistent, when they hold no bytes at all, or the total passes kMaxProfileBytes; nullopt
    // with `problem` empty when there were no chunks.
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> profile(std::string& problem) const;

private:
    struct Chunk {
        int sequence;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Chunk> m_chunks;
    int m_count = 0;
    std::size_t m_total = 0;
    std::string m_problem;
};

// How a picture was stored: with colour channels, or with one grey channel
// (which the decoders spread over blue, green and red alike). A profile
// applies only to pictures of its own kind.
enum class PictureChannels { Colour, Grey };

// Whether `profile` describes sRGB: its description names sRGB, or its
// colorants and tone curves equal those of sRGB within what the profiles in
// circulation differ by (rounding of their fixed-point numbers).
[[nodiscard]] bool isSrgbProfile(std::span<const std::uint8_t> profile);

// Converts `pixels` (blue, green, red) in place from `profile` to sRGB.
// An RGB profile converts a colour picture; a grey profile converts a grey
// picture (taking the blue channel as the grey value, as a grey picture
// decoded to 24 bits has all three equal). An sRGB profile leaves the pixels
// untouched. Never throws; an unusable profile, or one of the other kind
// than `channels`, leaves the pixels untouched and comes back as Ignored
// with a note.
[[nodiscard]] ColourReport convertToSrgb(Surface& pixels, std::span<const std::uint8_t> profile,
                                         PictureChannels channels);

// Whether the header of `profile` names the grey colour space, read without
// Little CMS (for a decoder that must know before it decides how a picture
// was stored).
[[nodiscard]] bool isGreyProfile(std::span<const std::uint8_t> profile) noexcept;

// A transform from a CMYK profile to sRGB, one row at a time, for a decoder
// whose pixels are ink values. Adobe's CMYK JPEGs store the ink inverted.
class CmykToSrgb {
public:
    // Nullptr with `problem` set when the profile is unusable or not CMYK.
    [[nodiscard]] static std::unique_ptr<CmykToSrgb> create(std::span<const std::uint8_t> profile,
                                                            bool inverted, std::string& problem);
    ~CmykToSrgb();
    CmykToSrgb(const CmykToSrgb&) = delete;
    CmykToSrgb& operator=(const CmykToSrgb&) = delete;

    // `cmyk` holds 4 bytes a pixel, `bgr` receives 3.
    void convertRow(const std::uint8_t* cmyk, std::uint8_t* bgr, int width) const;

private:
    explicit CmykToSrgb(void* transform) : m_transform(transform) {}
    void* m_transform;  // cmsHTRANSFORM
};

}  // namespace vendrik
