// libFuzzer target for keeping metadata: any bytes as a source picture file,
// its metadata read for each choice ("behalten", "behalten ohne GPS",
// "entfernen") for a JPEG output or for one whose container has no place for
// IPTC (WebP, AVIF), and put into a small JFIF file where the output is a
// JPEG. Besides the sanitizers' findings it checks the promises: nothing
// throws, every block fits its format, a stripped source says why, and the
// file with the segments is still a well-formed run of JPEG segments.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "optimiser/metadata_copy.h"

using vendrik::fuzz::require;

namespace {

// SOI, APP0 (JFIF 1.01) and EOI: what insertMetadata needs of an encoded
// file.
const std::vector<std::uint8_t> kJfif = {
    0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01,
    0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xFF, 0xD9};

// The segments after SOI, by their lengths, end exactly at EOI.
bool wellFormed(const std::vector<std::uint8_t>& jpeg) {
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xD9) {
        pos += 2 + (std::size_t{jpeg[pos + 2]} << 8 | jpeg[pos + 3]);
    }
    return pos + 2 == jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] == 0xD9;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vendrik;
    // The first byte: the choice, the output's kind of container and
    // whether the colours were converted.
    const auto input = fuzz::chosenInput(data, size);
    if (!input) {
        return 0;
    }
    const std::uint8_t choice = input->choice;
    const fuzz::MemoryFile file(input->bytes);
    const auto metadata = static_cast<MetadataChoice>(choice % 3);
    OutputFacts facts;
    facts.size = {64 + choice, 48};
    facts.coloursConverted = (choice & 0x80) != 0;
    const bool jpegOutput = (choice & 0x40) == 0;
    if (!jpegOutput) {
        facts.room = MetadataRoom{"WebP", false, kMaxXmpPacket + 64};
    }
    const MetadataSegments segments = metadataForOutput(file.path(), metadata, facts);
    if (metadata == MetadataChoice::Strip) {
        require(segments.empty() && segments.notes.empty());
        return 0;
    }
    require(segments.exif.size() <= kMaxSegmentPayload);
    for (const auto* block : {&segments.xmp, &segments.iptc}) {
        require(block->size() <= facts.room.largestBlock);
    }
    for (const std::string& note : segments.notes) {
        require(!note.empty());
    }
    if (!jpegOutput) {
        // IPTC goes into the XMP packet where there is no place of its own.
        require(segments.iptc.empty());
        return 0;
    }
    std::vector<std::uint8_t> jpeg = kJfif;
    require(insertMetadata(jpeg, segments).ok());
    require(wellFormed(jpeg));
    return 0;
}
