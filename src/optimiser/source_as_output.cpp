#include "optimiser/source_as_output.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "imaging/exif_orientation.h"

namespace vendrik {
namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr std::uint8_t kApp14 = 0xEE;
constexpr std::uint8_t kApp15 = 0xEF;
constexpr std::uint8_t kCom = 0xFE;

// Markers without a length (T.81 B.1.1.3, table B.1): TEM and RST0..RST7.
bool standsAlone(std::uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// The metadata a source carries: APPn but JFIF's and Adobe's, and comments;
// with `keepProfile`, not the ICC profile's chunks either.
bool isMetadata(std::uint8_t marker, std::span<const std::uint8_t> payload, bool keepProfile) {
    if (keepProfile && marker == kApp2 && payload.size() >= 12 &&
        std::equal(payload.begin(), payload.begin() + 12, "ICC_PROFILE\0")) {
        return false;
    }
    return (marker >= kApp1 && marker <= kApp15 && marker != kApp14) || marker == kCom;
}

// SOF0, SOF1 and SOF2: the Huffman-coded frames that every viewer reads.
// Lossless, hierarchical and arithmetic-coded frames (SOF3, SOF5..SOF7,
// SOF9..SOF15) are not what the output would be.
bool isFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
           marker != 0xCC;
}
bool isCommonFrame(std::uint8_t marker) {
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC2;
}

// Past the entropy-coded data that starts at `i`: at the first marker that
// is neither a stuffed 0xFF (FF 00) nor a restart marker.
std::size_t pastEntropyData(std::span<const std::uint8_t> b, std::size_t i) {
    while (i + 1 < b.size()) {
        if (b[i] != 0xFF) {
            ++i;
        } else if (b[i + 1] == 0x00 || (b[i + 1] >= 0xD0 && b[i + 1] <= 0xD7)) {
            i += 2;
        } else if (b[i + 1] == 0xFF) {
            ++i;  // a fill byte before a marker
        } else {
            return i;
        }
    }
    return b.size();
}

}  // namespace

Result<std::vector<std::uint8_t>> sourceAsOutput(std::span<const std::uint8_t> source,
                                                 const SourceOutput& output,
                                                 const MetadataSegments& metadata) {
    const BoxSize storedSize = output.storedSize;
    const int orientation = output.orientation;
    const std::span<const std::uint8_t> b = source;
    if (b.size() < 4 || b[0] != 0xFF || b[1] != kSoi) {
        return Failure{"die Quelle ist kein JPEG"};
    }
    std::vector<std::uint8_t> kept;  // every segment kept after the leading APP0s
    std::vector<std::uint8_t> head{0xFF, kSoi};
    bool frameSeen = false;
    bool exifSeen = false;
    bool leading = true;  // still among the APP0 segments right after SOI
    std::size_t i = 2;
    for (;;) {
        // Fill bytes may stand before any marker (T.81 B.1.1.2).
        while (i < b.size() && b[i] == 0xFF && i + 1 < b.size() && b[i + 1] == 0xFF) {
            ++i;
        }
        if (i + 1 >= b.size() || b[i] != 0xFF) {
            return Failure{"die Quelle ist unvollständig oder beschädigt"};
        }
        const std::uint8_t marker = b[i + 1];
        if (marker == kEoi) {
            kept.insert(kept.end(), {0xFF, kEoi});
            break;
        }
        if (standsAlone(marker)) {
            kept.insert(kept.end(), {0xFF, marker});
            i += 2;
            continue;
        }
        if (i + 3 >= b.size()) {
            return Failure{"die Quelle ist unvollständig oder beschädigt"};
        }
        const std::size_t length = std::size_t{b[i + 2]} << 8 | b[i + 3];
        if (length < 2 || length > b.size() - i - 2) {
            return Failure{"die Quelle ist unvollständig oder beschädigt"};
        }
        const std::span<const std::uint8_t> segment = b.subspan(i, length + 2);
        const std::span<const std::uint8_t> payload = segment.subspan(4);
        std::size_t next = i + 2 + length;
        if (isFrame(marker)) {
            if (!isCommonFrame(marker)) {
                return Failure{"die Quelle ist arithmetisch kodiert, verlustfrei oder hierarchisch"};
            }
            if (payload.size() < 6) {
                return Failure{"die Quelle ist unvollständig oder beschädigt"};
            }
            const int precision = payload[0];
            const int height = payload[1] << 8 | payload[2];
            const int width = payload[3] << 8 | payload[4];
            const int components = payload[5];
            if (precision != 8 || (components != 1 && components != 3)) {
                return Failure{"die Quelle hat keine 8-Bit-Farben in Grau oder RGB"};
            }
            if (width != storedSize.width || height != storedSize.height) {
                return Failure{"die Quelle hat eine andere Größe als die Ausgabe"};
            }
            frameSeen = true;
        }
        if (marker == kApp1 && !exifSeen && payload.size() >= 6 &&
            std::equal(payload.begin(), payload.begin() + 6, "Exif\0\0")) {
            exifSeen = true;
            if (exifOrientation(payload) != orientation) {
                return Failure{orientation == 1 ? "die Quelle wird erst durch Drehen aufrecht"
                                                : "die Quelle ist anders gedreht"};
            }
        }
        if (marker == kSos) {
            if (!frameSeen) {
                return Failure{"die Quelle ist unvollständig oder beschädigt"};
            }
            next = pastEntropyData(b, next);
        }
        if (leading && marker == kApp0) {
            head.insert(head.end(), segment.begin(), segment.end());
        } else if (!isMetadata(marker, payload, output.keepProfile)) {
            leading = false;
            kept.insert(kept.end(), b.begin() + static_cast<std::ptrdiff_t>(i),
                        b.begin() + static_cast<std::ptrdiff_t>(next));
        }
        i = next;
    }
    if (!frameSeen) {
        return Failure{"die Quelle ist unvollständig oder beschädigt"};
    }
    if (!exifSeen && orientation != 1) {
        return Failure{"die Quelle ist anders gedreht"};
    }
    appendMetadataSegments(head, metadata);
    head.insert(head.end(), kept.begin(), kept.end());
    return head;
}

}  // namespace vendrik
