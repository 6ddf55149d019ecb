#include "support/hostile_exif.h"

#include <algorithm>

namespace vendrik::test {
namespace {
using R = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
}  // namespace

Bytes patched(const ExifBlockBuilder& b, std::size_t tiffOffset, std::uint64_t value,
              unsigned width) {
    Bytes file = b.jpeg();
    Bytes number;
    b.put(number, value, width);
    std::copy(number.begin(), number.end(), file.begin() + 12 + tiffOffset);
    return file;
}

ExifBlockBuilder small(bool intel) {
    ExifBlockBuilder b(intel);
    b.shortValue(274, 1).exifDirectory().rational(33437, R{{28, 10}});
    return b;
}

const std::vector<HostileCase> kHostile = {
    {"EntryCount0xFFFF", [] { return patched(small(true), 8, 0xFFFF, 2); }, ExifState::Read},
    {"Ifd0OffsetPastTheEnd", [] { return patched(small(false), 4, 0xFFFFFFF0, 4); },
     ExifState::Read},
    {"IfdLinkPointingAtItself",
     [] {
         // IFD0 at 8 holds two entries; its next-directory link sits behind them.
         return patched(small(true), 8 + 2 + 24, 8, 4);
     },
     ExifState::Read},
    {"ExifOffsetPointingBackAtIfd0",
     [] { return patched(small(false), 8 + 2 + 12 + 8, 8, 4); }, ExifState::Read},
    {"ExifOffsetNegative",
     [] {
         ExifBlockBuilder b(true);
         b.signedShort(34665, -8).signedShort(34665, -32768);
         return b.jpeg();
     },
     ExifState::Read},
    {"ExifOffsetFractionalOrHuge",
     [] {
         ExifBlockBuilder b(false);
         b.rational(34665, R{{1, 2}, {1, 4}}).ascii(34665, "99999999999999999999999");
         return b.jpeg();
     },
     ExifState::Read},
    {"CountTimesSizeOverflows32Bits",
     [] {
         ExifBlockBuilder b(true);
         b.raw(270, 12, 0x20000001, 8)       // 8 x count = 2^32 + 8
             .raw(318, 5, 0xFFFFFFFF, 0)     // a list of four billion rationals
             .raw(271, 2, 0xFFFFFFFF, 0xFFFFFFFF)
             .raw(37500, 7, 0xFFFFFFFF, 16)
             .raw(41730, 7, 0xFFFFFFFF, 0);
         return b.jpeg();
     },
     ExifState::Read},
    {"ZeroDenominators",
     [] {
         ExifBlockBuilder b(true);
         b.exifDirectory()
             .rational(33434, R{{0, 0}})
             .rational(33437, R{{28, 0}})
             .rational(37378, R{{0, 0}})
             .rational(318, R{{0, 0}, {0, 0}});
         return b.jpeg();
     },
     ExifState::Read},
    {"UnknownTypes",
     [] {
         ExifBlockBuilder b(false);
         b.raw(270, 13, 1, 0).raw(271, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF).raw(0, 0, 0, 0);
         return b.jpeg();
     },
     ExifState::Read},
    {"SignatureAtByte4091",
     [] {
         Bytes f(4091, 0xFF);
         f.insert(f.end(), {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0});
         return f;
     },
     ExifState::Read},
    {"TwentyByteFile",
     [] { return Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0, 30, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42,
                       0, 0, 0, 8}; },
     ExifState::Read},
    {"TruncatedInsideAnEntry",
     [] {
         Bytes f = small(true).jpeg();
         f.resize(12 + 8 + 2 + 7);
         return f;
     },
     ExifState::Read},
    {"FullHeadOfLongTexts",
     [] {
         // As many entries as 4096 bytes hold, each a 4000-byte text, read
         // twice through an ExifOffset back at IFD0: the most work a file
         // head can ask for.
         ExifBlockBuilder b(true);
         for (int i = 0; i < 339; ++i) {
             b.raw(270, 2, 4000, 0);
         }
         b.raw(34665, 4, 1, 8);
         return b.jpeg();
     },
     ExifState::Read, true, true},
    {"NoFile", [] { return Bytes{}; }, ExifState::FileMissing, false},
    {"EmptyFile", [] { return Bytes{}; }, ExifState::FileMissing},
};

}  // namespace vendrik::test
