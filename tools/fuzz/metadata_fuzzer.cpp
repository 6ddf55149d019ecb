// libFuzzer target for keeping metadata: any bytes as a source picture file,
// its metadata read for each choice ("behalten", "behalten ohne GPS",
// "entfernen") and put into a small JFIF file. Besides the sanitizers'
// findings it checks the promises: nothing throws, every segment fits its
// marker, a stripped source says why, and the file with the segments is
// still a well-formed run of JPEG segments.

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
    // The first byte: the choice and whether the colours were converted.
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
    const MetadataSegments segments = metadataForOutput(file.path(), metadata, facts);
    if (metadata == MetadataChoice::Strip) {
        require(segments.empty() && segments.notes.empty());
        return 0;
    }
    for (const auto* segment : {&segments.exif, &segments.xmp, &segments.iptc}) {
        require(segment->size() <= 65533);
    }
    for (const std::string& note : segments.notes) {
        require(!note.empty());
    }
    std::vector<std::uint8_t> jpeg = kJfif;
    require(insertMetadata(jpeg, segments).ok());
    require(wellFormed(jpeg));
    return 0;
}
