#include "optimiser/metadata_copy.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>

// Exiv2 0.27 still spells its owning pointers std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include "common/regular_file.h"
#include "imaging/heif_metadata.h"
#include "imaging/picture_loader.h"
#include "optimiser/place_free_metadata.h"
#include "optimiser/xmp_block_size.h"

namespace vendrik {
namespace {

constexpr std::string_view kExifName{"Exif\0\0", 6};
constexpr std::string_view kXmpName{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kPhotoshopName{"Photoshop 3.0\0", 14};

// Exiv2 reports damaged data through a process-wide log rather than by
// throwing. While a picture's metadata is read on a thread, its messages go
// to that picture; outside of that they go nowhere.
thread_local std::string* t_exiv2Messages = nullptr;

void collectExiv2Message(int level, const char* message) {
    if (t_exiv2Messages == nullptr || level < Exiv2::LogMsg::warn || message == nullptr) {
        return;
    }
    if (t_exiv2Messages->empty()) {
        std::string m(message);
        while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) {
            m.pop_back();
        }
        *t_exiv2Messages = m.substr(0, 200);
    }
}

std::mutex g_xmpToolkit;

void lockXmpToolkit(void*, bool lock) {
    if (lock) {
        g_xmpToolkit.lock();
    } else {
        g_xmpToolkit.unlock();
    }
}

// The XMP toolkit is one process-wide object: it is set up once, with a
// lock so that pictures read on several threads take turns in it.
void setUpExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
        Exiv2::LogMsg::setHandler(collectExiv2Message);
        Exiv2::XmpParser::initialize(lockXmpToolkit, nullptr);
    });
}

// Collects the Exiv2 messages of one picture on this thread.
class MessageScope {
public:
    explicit MessageScope(std::string& messages) { t_exiv2Messages = &messages; }
    ~MessageScope() { t_exiv2Messages = nullptr; }
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;
};

// IFD0 tags that describe how the source stored its pixels, which the
// output's encoder decides anew; and the blocks the output carries in
// segments of their own (XMP, IPTC) or not at all (an ICC profile).
constexpr std::array<std::uint16_t, 27> kSourceLayoutTags = {
    0x00FE, 0x00FF,                  // NewSubfileType, SubfileType
    0x0100, 0x0101, 0x0102, 0x0103,  // ImageWidth, ImageLength, BitsPerSample, Compression
    0x0106, 0x010A, 0x0111, 0x0115,  // PhotometricInterpretation, FillOrder, StripOffsets, SamplesPerPixel
    0x0116, 0x0117, 0x011C, 0x013D,  // RowsPerStrip, StripByteCounts, PlanarConfiguration, Predictor
    0x0142, 0x0143, 0x0144, 0x0145,  // TileWidth, TileLength, TileOffsets, TileByteCounts
    0x014A, 0x0152, 0x0153,          // SubIFDs, ExtraSamples, SampleFormat
    0x0201, 0x0202, 0x0212,          // JPEGInterchangeFormat(Length), YCbCrSubSampling
    0x02BC, 0x83BB, 0x8773,          // XMLPacket, IPTCNAA, InterColorProfile
};

bool isSourceLayoutTag(const Exiv2::Exifdatum& d) {
    return d.groupName() == "Image" &&
           std::find(kSourceLayoutTags.begin(), kSourceLayoutTags.end(), d.tag()) !=
               kSourceLayoutTags.end();
}

// The groups "behalten" keeps: IFD0, the Exif and GPS directories, the
// interoperability directory and the maker notes. Not IFD1 (the thumbnail)
// nor a TIFF's further images and sub-images. "behalten ohne GPS" keeps
// only the tags known to carry no place (place_free_metadata.h).
bool keptTag(const Exiv2::Exifdatum& d, MetadataChoice choice) {
    const std::string group = d.groupName();
    if (choice == MetadataChoice::KeepWithoutGps) {
        return exifTagWithoutPlace(group, d.tag());
    }
    return group == "Image" || group == "Photo" || group == "Iop" || group == "GPSInfo" ||
           group == "MakerNote" || Exiv2::ExifTags::isMakerGroup(group);
}

template <typename Data, typename Drop>
void eraseIf(Data& data, Drop drop) {
    for (auto it = data.begin(); it != data.end();) {
        it = drop(*it) ? data.erase(it) : std::next(it);
    }
}

void adaptExif(Exiv2::ExifData& exif, MetadataChoice choice, const OutputFacts& output) {
    eraseIf(exif, [&](const Exiv2::Exifdatum& d) {
        return !keptTag(d, choice) || isSourceLayoutTag(d);
    });
    if (exif.empty()) {
        return;
    }
    exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(output.orientation);
    exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(output.size.width);
    exif["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(output.size.height);
    if (output.coloursConverted && exif.findKey(Exiv2::ExifKey("Exif.Photo.ColorSpace")) != exif.end()) {
        exif["Exif.Photo.ColorSpace"] = static_cast<std::uint16_t>(1);  // sRGB
    }
}

// Under "behalten ohne GPS", whether an XMP property is known to carry no
// place: by its namespace's URI (a packet may bind any prefix to any URI)
// and its path.
bool xmpWithoutPlace(const Exiv2::Xmpdatum& d) {
    std::string uri;
    try {
        uri = Exiv2::XmpProperties::ns(d.groupName());
    } catch (...) {
        return false;
    }
    return xmpPropertyWithoutPlace(uri, d.tagName());
}

void adaptXmp(Exiv2::XmpData& xmp, MetadataChoice choice, const OutputFacts& output) {
    eraseIf(xmp, [&](const Exiv2::Xmpdatum& d) {
        const std::string key = d.key();
        return key.rfind("Xmp.xmp.Thumbnails", 0) == 0 || key == "Xmp.photoshop.ICCProfile" ||
               (choice == MetadataChoice::KeepWithoutGps && !xmpWithoutPlace(d));
    });
    const auto setIfPresent = [&xmp](const char* key, const std::string& value) {
        if (xmp.findKey(Exiv2::XmpKey(key)) != xmp.end()) {
            xmp[key] = value;
        }
    };
    setIfPresent("Xmp.tiff.Orientation", std::to_string(output.orientation));
    setIfPresent("Xmp.exif.PixelXDimension", std::to_string(output.size.width));
    setIfPresent("Xmp.exif.PixelYDimension", std::to_string(output.size.height));
    setIfPresent("Xmp.tiff.ImageWidth", std::to_string(output.size.width));
    setIfPresent("Xmp.tiff.ImageLength", std::to_string(output.size.height));
    if (output.coloursConverted) {
        setIfPresent("Xmp.exif.ColorSpace", "1");
    }
}

void adaptIptc(Exiv2::IptcData& iptc, MetadataChoice choice) {
    if (choice != MetadataChoice::KeepWithoutGps) {
        return;
    }
    eraseIf(iptc, [](const Exiv2::Iptcdatum& d) {
        return !iptcDataSetWithoutPlace(d.record(), d.tag());
    });
}

std::vector<std::uint8_t> payload(std::string_view name, const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out(name.begin(), name.end());
    out.insert(out.end(), data, data + size);
    return out;
}

// A source's metadata as read, before it is adapted to the output.
struct SourceMetadata {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    Exiv2::ByteOrder order = Exiv2::littleEndian;  // the EXIF's, kept in the output
};

// For a format without a place for IPTC: its data sets into the XMP
// packet, each only where the packet has no value of its own (a packet
// kept in step with the IPTC block by an editor is the newer, and holds
// Unicode where IPTC may not). The IPTC block itself then goes.
void moveIptcIntoXmp(Exiv2::IptcData& iptc, Exiv2::XmpData& xmp) {
    if (iptc.empty()) {
        return;
    }
    Exiv2::XmpData converted;
    Exiv2::copyIptcToXmp(iptc, converted);
    for (const Exiv2::Xmpdatum& d : converted) {
        if (xmp.findKey(Exiv2::XmpKey(d.key())) == xmp.end()) {
            xmp.add(d);
        }
    }
    iptc.clear();
}

std::string tooLarge(std::string_view block, const MetadataRoom& room) {
    return std::string(block) + "-Daten zu groß für " + std::string(room.format) + ", weggelassen";
}

// Encodes the adapted data; a block too large for the format is left out
// with a note.
void encode(SourceMetadata& data, const MetadataRoom& room, MetadataSegments& out) {
    if (!data.exif.empty()) {
        Exiv2::Blob blob;
        // Exiv2 drops large tags (maker note previews and such) itself when
        // the result would not fit one segment.
        Exiv2::ExifParser::encode(blob, data.order, data.exif);
        if (blob.size() + kExifName.size() > std::min(room.largestBlock, kMaxSegmentPayload)) {
            out.notes.push_back(tooLarge("EXIF", room));
        } else if (!blob.empty()) {
            out.exif = payload(kExifName, blob.data(), blob.size());
        }
    }
    if (!data.xmp.empty()) {
        std::string packet;
        // Compact and without padding: the output is not edited in place.
        if (Exiv2::XmpParser::encode(packet, data.xmp, Exiv2::XmpParser::useCompactFormat, 0) != 0) {
            out.notes.push_back("XMP-Daten nicht schreibbar, weggelassen");
        } else if (packet.size() + kXmpName.size() > room.largestBlock) {
            out.notes.push_back(tooLarge("XMP", room));
        } else {
            out.xmp = payload(kXmpName, reinterpret_cast<const std::uint8_t*>(packet.data()),
                              packet.size());
        }
    }
    if (!data.iptc.empty()) {
        const Exiv2::DataBuf irb = Exiv2::Photoshop::setIptcIrb(nullptr, 0, data.iptc);
        const auto size = static_cast<std::size_t>(std::max<long>(irb.size_, 0));
        if (size + kPhotoshopName.size() > room.largestBlock) {
            out.notes.push_back(tooLarge("IPTC", room));
        } else if (size > 0) {
            out.iptc = payload(kPhotoshopName, irb.pData_, size);
        }
    }
}

// Why the metadata is left out, or empty: read with a fault, or too large.
using Problem = std::string;

Problem xmpTooLarge(std::uint64_t bytes) {
    return "XMP-Paket zu groß (" + std::to_string(bytes / 1024) + " KB, höchstens " +
           std::to_string(kMaxXmpPacket / 1024) + " KB)";
}

// JPEG, PNG, TIFF and WebP through Exiv2, which reads the file through its
// descriptor's name. The packet's size is known before Exiv2 parses it.
Problem readWithExiv2(const RegularFile& file, PictureFormat format, const std::string& messages,
                      SourceMetadata& out) {
    if (const std::uint64_t xmpBytes = xmpBlockBytes(file.fd(), format); xmpBytes > kMaxXmpPacket) {
        return xmpTooLarge(xmpBytes);
    }
    auto image = Exiv2::ImageFactory::open("/proc/self/fd/" + std::to_string(file.fd()));
    if (image.get() == nullptr) {
        return "Format unbekannt";
    }
    image->readMetadata();
    if (!messages.empty()) {
        return "beschädigt (" + messages + ")";
    }
    out.exif = image->exifData();
    out.xmp = image->xmpData();
    out.iptc = image->iptcData();
    if (image->byteOrder() != Exiv2::invalidByteOrder) {
        out.order = image->byteOrder();
    }
    return {};
}

// HEIC and AVIF through libheif's Exif and XMP items of the primary picture.
Problem readHeif(const RegularFile& file, const std::string& messages, const MetadataRoom& room,
                 SourceMetadata& out, std::vector<std::string>& notes) {
    const Result<HeifMetadata> heif = readHeifMetadata(file.fd(), kMaxXmpPacket);
    if (!heif) {
        return heif.reason();
    }
    if (heif->xmpSize > kMaxXmpPacket) {
        return xmpTooLarge(heif->xmpSize);
    }
    if (heif->exifSize > kMaxXmpPacket) {
        // Far beyond what one JPEG segment takes.
        notes.push_back(tooLarge("EXIF", room));
    } else if (!heif->exif.empty()) {
        const auto* bytes = reinterpret_cast<const Exiv2::byte*>(heif->exif.data());
        out.order = Exiv2::ExifParser::decode(out.exif, bytes,
                                              static_cast<std::uint32_t>(heif->exif.size()));
        if (out.order == Exiv2::invalidByteOrder) {
            out.order = Exiv2::littleEndian;
        }
    }
    if (!heif->xmp.empty() && Exiv2::XmpParser::decode(out.xmp, heif->xmp) != 0) {
        return "XMP beschädigt";
    }
    if (!messages.empty()) {
        return "beschädigt (" + messages + ")";
    }
    return {};
}

MetadataSegments strippedBecause(std::string reason) {
    MetadataSegments s;
    s.notes.push_back("Metadaten entfernt: " + std::move(reason));
    return s;
}

}  // namespace

MetadataSegments metadataForOutput(const std::string& source, MetadataChoice choice,
                                   const OutputFacts& output) {
    if (choice == MetadataChoice::Strip) {
        return {};
    }
    setUpExiv2();
    std::string messages;
    const MessageScope scope(messages);
    try {
        // An ordinary file opened without waiting (a FIFO named like a
        // picture must not hang the run).
        const RegularFile file(source);
        if (!file.isOpen()) {
            return strippedBecause("Quelldatei: " + file.problem());
        }
        // The format by content, as the loader takes it: what Exiv2 would
        // make of another file (a film, say) is no picture's metadata.
        std::array<unsigned char, 16> head{};
        const ssize_t got = ::pread(file.fd(), head.data(), head.size(), 0);
        const auto format = sniffPictureFormat(head.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
        if (!format) {
            return strippedBecause("Format unbekannt");
        }
        MetadataSegments out;
        SourceMetadata data;
        Problem problem;
        switch (*format) {
            case PictureFormat::Heif:
                problem = readHeif(file, messages, output.room, data, out.notes);
                break;
            case PictureFormat::Jpeg:
            case PictureFormat::Png:
            case PictureFormat::Tiff:
            case PictureFormat::Webp:
                problem = readWithExiv2(file, *format, messages, data);
                break;
            case PictureFormat::Gif:
            case PictureFormat::Bmp:
            case PictureFormat::Pnm:
                return {};  // nothing that a JPEG could keep
        }
        if (!problem.empty()) {
            return strippedBecause(std::move(problem));
        }
        adaptExif(data.exif, choice, output);
        adaptIptc(data.iptc, choice);
        if (!output.room.iptc) {
            moveIptcIntoXmp(data.iptc, data.xmp);
        }
        adaptXmp(data.xmp, choice, output);
        encode(data, output.room, out);
        if (!messages.empty()) {
            return strippedBecause("nicht schreibbar (" + messages + ")");
        }
        return out;
    } catch (const std::exception& e) {
        return strippedBecause(std::string("nicht lesbar (") + e.what() + ")");
    } catch (...) {
        return strippedBecause("nicht lesbar");
    }
}

namespace {

std::span<const std::uint8_t> withoutName(const std::vector<std::uint8_t>& block,
                                          std::string_view name) {
    if (block.size() <= name.size()) {
        return {};
    }
    return std::span(block).subspan(name.size());
}

}  // namespace

std::span<const std::uint8_t> exifTiff(const MetadataSegments& segments) noexcept {
    return withoutName(segments.exif, kExifName);
}

std::span<const std::uint8_t> xmpPacket(const MetadataSegments& segments) noexcept {
    return withoutName(segments.xmp, kXmpName);
}

std::vector<std::uint8_t> orientationExif(int orientation) {
    // "Exif\0\0", then a big-endian TIFF header ("MM", 42, IFD0 at 8) and
    // IFD0 with one entry: Orientation (0x0112), SHORT, one value, held in
    // the entry itself and padded to four bytes; no next IFD.
    const auto o = static_cast<std::uint8_t>(orientation);
    return {'E', 'x', 'i', 'f', 0, 0,                  //
            'M', 'M', 0, 42, 0, 0, 0, 8,               //
            0, 1,                                      //
            0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, o, 0, 0,  //
            0, 0, 0, 0};
}

void appendMetadataSegments(std::vector<std::uint8_t>& out, const MetadataSegments& segments) {
    const auto add = [&out](std::uint8_t marker, const std::vector<std::uint8_t>& data) {
        if (data.empty() || data.size() > kMaxSegmentPayload) {
            return;
        }
        const std::size_t length = data.size() + 2;
        out.insert(out.end(), {0xFF, marker, static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length & 0xFF)});
        out.insert(out.end(), data.begin(), data.end());
    };
    add(0xE1, segments.exif);
    add(0xE1, segments.xmp);
    add(0xED, segments.iptc);
}

Result<void> insertMetadata(std::vector<std::uint8_t>& jpeg, const MetadataSegments& segments) {
    // SOI, then APP0 with its length.
    const bool jfif = jpeg.size() >= 6 && jpeg[0] == 0xFF && jpeg[1] == 0xD8 && jpeg[2] == 0xFF &&
                      jpeg[3] == 0xE0;
    const std::size_t app0End = jfif ? 4 + (std::size_t{jpeg[4]} << 8 | jpeg[5]) : 0;
    if (!jfif || app0End > jpeg.size()) {
        return Failure{"Metadaten entfernt: JPEG ohne JFIF-Kopf"};
    }
    std::vector<std::uint8_t> inserted;
    appendMetadataSegments(inserted, segments);
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(app0End), inserted.begin(), inserted.end());
    return {};
}

}  // namespace vendrik
