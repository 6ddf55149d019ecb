#pragma once
// The TIFF field types' value sizes and the table of tag names the reader
// knows. Both are data: the reader looks names up by number, in table order.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vendrik {

// Bytes per value of TIFF field types 0 to 12 (TIFF 6.0 section 2, EXIF 2.2
// 4.6.2). Type 0 does not exist in either; it is given size 0 so that an
// entry of that type never points anywhere.
inline constexpr std::array<std::uint8_t, 13> kTypeSizes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum class ExifType : std::uint16_t {
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    SByte = 6,
    Undefined = 7,
    SShort = 8,
    SLong = 9,
    SRational = 10,
    Float = 11,
    Double = 12,
};

// Bytes per value of a field type; 0 for type 0 and for types the table does
// not know (above 12).
[[nodiscard]] constexpr unsigned TypeSizes(std::uint32_t type) {
    return type < kTypeSizes.size() ? kTypeSizes[type] : 0;
}

// Tag numbers the reader treats specially.
namespace tag {
inline constexpr std::uint16_t kXResolution = 282;
inline constexpr std::uint16_t kYResolution = 283;
inline constexpr std::uint16_t kModel = 272;
inline constexpr std::uint16_t kExposureTime = 33434;
inline constexpr std::uint16_t kFNumber = 33437;
inline constexpr std::uint16_t kExifOffset = 34665;
inline constexpr std::uint16_t kExifVersion = 36864;
inline constexpr std::uint16_t kDateTimeOriginal = 36867;
inline constexpr std::uint16_t kComponentsConfiguration = 37121;
inline constexpr std::uint16_t kShutterSpeedValue = 37377;
inline constexpr std::uint16_t kApertureValue = 37378;
inline constexpr std::uint16_t kExposureBiasValue = 37380;
inline constexpr std::uint16_t kMaxApertureValue = 37381;
inline constexpr std::uint16_t kSubjectDistance = 37382;
inline constexpr std::uint16_t kFocalLength = 37386;
inline constexpr std::uint16_t kMakerNote = 37500;
inline constexpr std::uint16_t kFlashPixVersion = 40960;
inline constexpr std::uint16_t kFocalPlaneXResolution = 41486;
inline constexpr std::uint16_t kFocalPlaneYResolution = 41487;
inline constexpr std::uint16_t kFileSource = 41728;
inline constexpr std::uint16_t kSceneType = 41729;
}  // namespace tag

struct ExifTagName {
    std::uint16_t number;
    std::string_view name;
};

// IFD0 tags first, then those of the Exif directory (EXIF 2.2 tables 3 to 6).
// Look-up goes by number in this order; ExifOffset sits before ExposureTime.
inline constexpr std::array<ExifTagName, 54> kExifTagNames = {{
    {270, "ImageDescription"}, {271, "Make"}, {272, "Model"},
    {274, "Orientation"}, {282, "XResolution"}, {283, "YResolution"},
    {296, "ResolutionUnit"}, {305, "Software"}, {306, "DateTime"},
    {318, "WhitePoint"}, {319, "PrimaryChromaticities"}, {529, "YCbCrCoefficients"},
    {531, "YCbCrPositioning"}, {532, "ReferenceBlackWhite"}, {33432, "Copyright"},
    {34665, "ExifOffset"}, {33434, "ExposureTime"}, {33437, "FNumber"},
    {34850, "ExposureProgram"}, {34855, "ISOSpeedRatings"}, {36864, "ExifVersion"},
    {36867, "DateTimeOriginal"}, {36868, "DateTimeDigitized"}, {37121, "ComponentsConfiguration"},
    {37122, "CompressedBitsPerPixel"}, {37377, "ShutterSpeedValue"}, {37378, "ApertureValue"},
    {37379, "BrightnessValue"}, {37380, "ExposureBiasValue"}, {37381, "MaxApertureValue"},
    {37382, "SubjectDistance"}, {37383, "MeteringMode"}, {37384, "LightSource"},
    {37385, "Flash"}, {37386, "FocalLength"}, {37500, "MakerNote"},
    {37510, "UserComment"}, {37520, "SubsecTime"}, {37521, "SubsecTimeOriginal"},
    {37522, "SubsecTimeDigitized"}, {40960, "FlashPixVersion"}, {40961, "ColorSpace"},
    {40962, "ExifImageWidth"}, {40963, "ExifImageHeight"}, {40964, "RelatedSoundFile"},
    {40965, "ExifInteroperabilityOffset"}, {41486, "FocalPlaneXResolution"}, {41487, "FocalPlaneYResolution"},
    {41488, "FocalPlaneResolutionUnit"}, {41493, "ExposureIndex"}, {41495, "SensingMethod"},
    {41728, "FileSource"}, {41729, "SceneType"}, {41730, "CFAPattern"},
}};
static_assert(kExifTagNames.size() == 54);

// The table name of a tag, or "Tag #" and the number in decimal.
[[nodiscard]] std::string exifTagName(std::int32_t number);

}  // namespace vendrik
