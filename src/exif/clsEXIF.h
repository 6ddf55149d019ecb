#pragma once
// clsEXIF reads the EXIF metadata of one picture file for the preview's
// summary: it finds the "Exif" block in the first 4096 bytes of the file,
// reads IFD0 and the Exif directory (and nothing else), and keeps every entry
// with its tag name and display text.
//
// The reader distrusts the file: every offset and count is checked against
// the bytes read, bytes beyond them read as 0, at most kMaxEntries entries
// are kept and no display text passes kDisplayLimit. Reading a file never
// throws; only MetaInfo reports a file without EXIF data by an ExifError.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "exif/exif_summary.h"
#include "exif/exif_numbers.h"

namespace vendrik {

// The state after assigning a file; the numbers are the ones callers store.
enum class ExifState : std::uint8_t {
    Read = 0,         // an EXIF block was found and its directories read
    NoExif = 1,       // no "Exif" signature in the first 4096 bytes, or unreadable
    FileMissing = 2,  // the file does not exist or is empty
};

struct ExifEntry {
    std::int32_t Id = 0;
    std::string Name;
    std::int32_t Type = 0;
    std::uint32_t Count = 0;
    // The number the entry stands for: the converted quotient for the
    // rationals with a display rule of their own, the first value for a
    // number that fits the entry, otherwise the raw 4-byte value field.
    double Value = 0;
    std::string Display;
};

class clsEXIF {
public:
    static constexpr std::size_t kReadLimit = 4096;
    // Entry numbers fit a signed 16-bit index; no real file comes near this,
    // and a damaged count cannot make the reader run long.
    static constexpr std::size_t kMaxEntries = 32767;

    // `decimalSeparator` goes between whole and decimal digits of displayed
    // numbers; by default that of the current C locale (LC_NUMERIC).
    clsEXIF();
    explicit clsEXIF(std::string decimalSeparator);

    // Assigning a path reads the file at once (ReadMetaInfo) and records the
    // state; a missing or empty file gives FileMissing, never an exception.
    void ImageFile(const std::string& path);
    [[nodiscard]] const std::string& ImageFile() const { return m_imageFile; }

    // Like ImageFile for the first bytes of a picture already in memory
    // (bytes beyond kReadLimit are ignored); an empty span is an empty file.
    void imageBytes(std::span<const std::uint8_t> head);

    [[nodiscard]] bool IntelByteAlignment() const { return m_intel; }
    [[nodiscard]] ExifState state() const { return m_state; }
    [[nodiscard]] const std::vector<ExifEntry>& entries() const { return m_entries; }

    // Reads the first kReadLimit bytes of `path` and their EXIF block.
    // Throws ExifError FileNotFound for a missing or empty file. A file that
    // exists but cannot be read (no permission, a folder, a pipe) is NoExif.
    ExifState ReadMetaInfo(const std::string& path);

    // Appends the entries of the directory at `tiffStart + offset` in `data`
    // and returns the directory offset named by the entry with `wantedTag`:
    // 0 when there is none or its display is not a whole number that points
    // inside `data`. The link to a next directory is not followed.
    std::uint64_t ReadIFD(ExifBytes data, std::uint64_t tiffStart, std::uint64_t offset,
                          std::int32_t wantedTag = -1);

    // The five summary texts, in the window's overwrite order; all empty
    // unless the state is Read.
    [[nodiscard]] ExifSummary ListEXIF() const;

    // Every entry as "Name: Display\r\n"; in the other states their one-line
    // message.
    [[nodiscard]] std::string ListInfo() const;

    // The first entry with tag `number`: its Display into `text` and its Value
    // rounded (halves to even, clamped to 32 bits) as the result; 0 and
    // "Tag N nicht gefunden." when absent. Throws ExifError NoExifData or
    // FileError in the other states.
    std::int32_t MetaInfo(std::int32_t number, std::string& text) const;

    [[nodiscard]] static std::string GetTagName(std::int32_t number);

private:
    ExifState readHead(ExifBytes head);

    std::string m_decimalSeparator;
    std::string m_imageFile;
    bool m_intel = false;
    // Nothing assigned yet reads like a missing file.
    ExifState m_state = ExifState::FileMissing;
    std::vector<ExifEntry> m_entries;
};

}  // namespace vendrik
