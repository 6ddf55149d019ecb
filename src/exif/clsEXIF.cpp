#include "exif/clsEXIF.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <limits>

#include "exif/exif_display.h"
#include "exif/exif_error.h"
#include "exif/exif_format.h"
#include "exif/exif_tags.h"

namespace vendrik {
namespace {

// "Exif" and a zero byte open the APP1 block (EXIF 2.2 4.7.2); a second zero
// byte pads it, and the TIFF header follows.
constexpr std::array<std::uint8_t, 5> kSignature = {'E', 'x', 'i', 'f', 0};
constexpr std::uint64_t kTiffHeaderDistance = 6;

enum class HeadRead { Missing, Unreadable, Read };

// The first `limit` bytes of a file. Only a regular file is opened, and
// without blocking, so that a pipe or device named like a picture cannot hang
// the preview.
HeadRead readFileHead(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out) {
    out.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? HeadRead::Missing : HeadRead::Unreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        return HeadRead::Unreadable;
    }
    if (st.st_size == 0) {
        return HeadRead::Missing;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return HeadRead::Unreadable;
    }
    HeadRead result = HeadRead::Read;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result = HeadRead::Unreadable;
    } else {
        out.resize(limit);
        std::size_t got = 0;
        while (got < limit) {
            const ssize_t n = ::read(fd, out.data() + got, limit - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                result = HeadRead::Unreadable;
                break;
            }
            if (n == 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        out.resize(result == HeadRead::Read ? got : 0);
        if (result == HeadRead::Read && got == 0) {
            result = HeadRead::Missing;  // emptied since the stat
        }
    }
    ::close(fd);
    return result;
}

}  // namespace

clsEXIF::clsEXIF() : clsEXIF(localeDecimalSeparator()) {}

clsEXIF::clsEXIF(std::string decimalSeparator) : m_decimalSeparator(std::move(decimalSeparator)) {}

void clsEXIF::ImageFile(const std::string& path) {
    m_imageFile = path;
    try {
        m_state = ReadMetaInfo(path);
    } catch (const ExifError&) {
        m_state = ExifState::FileMissing;
    }
}

void clsEXIF::imageBytes(std::span<const std::uint8_t> head) {
    m_imageFile.clear();
    m_state = head.empty() ? ExifState::FileMissing
                           : readHead(head.first(std::min(head.size(), kReadLimit)));
}

ExifState clsEXIF::ReadMetaInfo(const std::string& path) {
    std::vector<std::uint8_t> head;
    switch (readFileHead(path, kReadLimit, head)) {
        case HeadRead::Missing:
            throw ExifError(ExifErrc::FileNotFound);
        case HeadRead::Unreadable:
            return ExifState::NoExif;
        case HeadRead::Read:
            break;
    }
    return readHead(head);
}

ExifState clsEXIF::readHead(ExifBytes head) {
    // The first signature anywhere counts, whatever JPEG marker holds it.
    const auto found = std::search(head.begin(), head.end(), kSignature.begin(), kSignature.end());
    if (found == head.end()) {
        return ExifState::NoExif;
    }
    const std::uint64_t tiffStart = static_cast<std::uint64_t>(found - head.begin()) + kTiffHeaderDistance;
    // "II" is Intel (little-endian); anything else, "MM" included, Motorola.
    m_intel = ReadNumber(head, tiffStart, 2, true) == 0x4949;
    const std::uint64_t ifd0 = ReadNumber(head, tiffStart + 4, 4, m_intel);
    m_entries.clear();
    const std::uint64_t exifOffset = ReadIFD(head, tiffStart, ifd0, tag::kExifOffset);
    if (exifOffset != 0) {
        ReadIFD(head, tiffStart, exifOffset);
    }
    return ExifState::Read;
}

std::uint64_t clsEXIF::ReadIFD(ExifBytes data, std::uint64_t tiffStart, std::uint64_t offset,
                               std::int32_t wantedTag) {
    const ExifBlock block{data, tiffStart, m_intel};
    std::uint64_t pos = tiffStart + offset;
    const std::uint64_t count = ReadNumber(data, pos, 2, m_intel);
    pos += 2;
    std::uint64_t wanted = 0;
    for (std::uint64_t i = 0; i < count; ++i, pos += 12) {
        // An entry that starts past the bytes read would be twelve invented
        // zero bytes: the directory ends there.
        if (m_entries.size() >= kMaxEntries || pos >= data.size()) {
            break;
        }
        ExifRawEntry raw;
        raw.id = static_cast<std::uint16_t>(ReadNumber(data, pos, 2, m_intel));
        raw.type = static_cast<std::uint16_t>(ReadNumber(data, pos + 2, 2, m_intel));
        raw.count = static_cast<std::uint32_t>(ReadNumber(data, pos + 4, 4, m_intel));
        raw.valueField = static_cast<std::uint32_t>(ReadNumber(data, pos + 8, 4, m_intel));
        raw.valueFieldPos = pos + 8;
        ExifDisplayed shown = displayEntry(raw, block, m_decimalSeparator);
        if (raw.id == wantedTag) {
            // Only a whole, non-negative number that lands inside the data
            // names a directory; anything else from a damaged entry names none.
            const LeadingNumber n =
                leadingNumber(shown.display, exifNumberSyntax(m_decimalSeparator));
            const bool usable = n.scan == NumberScan::Read && n.value >= 0 &&
                                n.value == std::floor(n.value) && tiffStart < data.size() &&
                                n.value < static_cast<double>(data.size() - tiffStart);
            wanted = usable ? static_cast<std::uint64_t>(n.value) : 0;
        }
        m_entries.push_back(ExifEntry{raw.id, GetTagName(raw.id), raw.type, raw.count, shown.value,
                                      std::move(shown.display)});
    }
    return wanted;
}

ExifSummary clsEXIF::ListEXIF() const {
    ExifSummary s;
    if (m_state != ExifState::Read) {
        return s;
    }
    const auto set = [&s](ExifLabel label, std::string text) {
        s.texts[static_cast<std::size_t>(label)] = std::move(text);
    };
    // In reading order, a later entry overwriting an earlier one: the Exif
    // directory is sorted by tag, so ApertureValue (37378) wins over FNumber
    // (33437) and ShutterSpeedValue (37377) over ExposureTime (33434).
    for (const ExifEntry& e : m_entries) {
        switch (e.Id) {
            case tag::kModel:
                set(ExifLabel::Camera, e.Display);
                break;
            case tag::kApertureValue:
            case tag::kFNumber:
                set(ExifLabel::Aperture, "Blende: f " + e.Display);
                break;
            case tag::kShutterSpeedValue:
            case tag::kExposureTime:
                set(ExifLabel::Exposure, "Belichtung: 1/" + e.Display + "s");
                break;
            case tag::kDateTimeOriginal:
                // "YYYY:MM:DD HH:MM:SS"
                set(ExifLabel::Time, "Uhrzeit: " + utf8Suffix(e.Display, 8));
                set(ExifLabel::Date, "Datum: " + utf8Prefix(e.Display, 10));
                break;
            default:
                break;
        }
    }
    return s;
}

std::string clsEXIF::ListInfo() const {
    switch (m_state) {
        case ExifState::NoExif:
            return std::string(exifErrorText(ExifErrc::NoExifData).description);
        case ExifState::FileMissing:
            return std::string(exifErrorText(ExifErrc::FileError).description);
        case ExifState::Read:
            break;
    }
    std::size_t size = 0;
    for (const ExifEntry& e : m_entries) {
        size += e.Name.size() + e.Display.size() + 4;
    }
    std::string text;
    text.reserve(size);
    for (const ExifEntry& e : m_entries) {
        text.append(e.Name).append(": ").append(e.Display).append("\r\n");
    }
    return text;
}

std::int32_t clsEXIF::MetaInfo(std::int32_t number, std::string& text) const {
    enforce(m_state != ExifState::NoExif, [] { return ExifError(ExifErrc::NoExifData); });
    enforce(m_state != ExifState::FileMissing, [] { return ExifError(ExifErrc::FileError); });
    for (const ExifEntry& e : m_entries) {
        if (e.Id == number) {
            text = e.Display;
            if (!std::isfinite(e.Value)) {
                return 0;
            }
            constexpr double kLow = std::numeric_limits<std::int32_t>::min();
            constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
            return static_cast<std::int32_t>(std::clamp(std::nearbyint(e.Value), kLow, kHigh));
        }
    }
    text = "Tag " + std::to_string(number) + " nicht gefunden.";
    return 0;
}

std::string clsEXIF::GetTagName(std::int32_t number) {
    return exifTagName(number);
}

}  // namespace vendrik
