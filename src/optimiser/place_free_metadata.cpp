#include "optimiser/place_free_metadata.h"

#include <algorithm>
#include <array>
#include <string>

#include "common/ascii_case.h"

namespace vendrik {
namespace {

// IFD0 (TIFF 6.0 and EXIF 2.32, 4.6.4 A): what the picture is, who made
// it, with what, when; the pointers to the Exif and interoperability
// directories; Windows' title, comment, author, keywords and subject.
// Not: HostComputer, DNG and vendor-private tags, the GPS pointer.
constexpr auto kImageTags = std::to_array<std::uint16_t>({
    0x010E, 0x010F, 0x0110, 0x0112,  // ImageDescription, Make, Model, Orientation
    0x011A, 0x011B, 0x0128, 0x0131,  // XResolution, YResolution, ResolutionUnit, Software
    0x0132, 0x013B, 0x013E, 0x013F,  // DateTime, Artist, WhitePoint, PrimaryChromaticities
    0x0211, 0x0213, 0x0214, 0x8298,  // YCbCrCoefficients, YCbCrPositioning, ReferenceBlackWhite, Copyright
    0x8769, 0x4746, 0x4749, 0x9C9B,  // ExifTag, Rating, RatingPercent, XPTitle
    0x9C9C, 0x9C9D, 0x9C9E, 0x9C9F,  // XPComment, XPAuthor, XPKeywords, XPSubject
});

// The Exif directory (EXIF 2.32, 4.6.5): exposure, lens, dates and times
// with their offsets, the picture's colour and size, the camera's and
// lens's serial numbers and owner. Not: the maker note; SubjectArea and
// SubjectLocation (positions in the source's pixels, wrong after scaling);
// the ambient conditions of 0x9400 to 0x9405, whose pressure, water depth
// and elevation tell how high or deep the camera was.
constexpr auto kPhotoTags = std::to_array<std::uint16_t>({
    0x829A, 0x829D, 0x8822, 0x8824,  // ExposureTime, FNumber, ExposureProgram, SpectralSensitivity
    0x8827, 0x8828, 0x8830, 0x8831,  // ISOSpeedRatings, OECF, SensitivityType, StandardOutputSensitivity
    0x8832, 0x8833, 0x8834, 0x8835,  // RecommendedExposureIndex, ISOSpeed, ISOSpeedLatitudeyyy, …zzz
    0x9000, 0x9003, 0x9004, 0x9010,  // ExifVersion, DateTimeOriginal, DateTimeDigitized, OffsetTime
    0x9011, 0x9012, 0x9101, 0x9102,  // OffsetTimeOriginal, OffsetTimeDigitized, ComponentsConfiguration, CompressedBitsPerPixel
    0x9201, 0x9202, 0x9203, 0x9204,  // ShutterSpeedValue, ApertureValue, BrightnessValue, ExposureBiasValue
    0x9205, 0x9206, 0x9207, 0x9208,  // MaxApertureValue, SubjectDistance, MeteringMode, LightSource
    0x9209, 0x920A, 0x9286, 0x9290,  // Flash, FocalLength, UserComment, SubSecTime
    0x9291, 0x9292,                  // SubSecTimeOriginal, SubSecTimeDigitized
    0xA000, 0xA001, 0xA002, 0xA003,  // FlashpixVersion, ColorSpace, PixelXDimension, PixelYDimension
    0xA005, 0xA20B, 0xA20C, 0xA20E,  // InteroperabilityTag, FlashEnergy, SpatialFrequencyResponse, FocalPlaneXResolution
    0xA20F, 0xA210, 0xA215, 0xA217,  // FocalPlaneYResolution, FocalPlaneResolutionUnit, ExposureIndex, SensingMethod
    0xA300, 0xA301, 0xA302, 0xA401,  // FileSource, SceneType, CFAPattern, CustomRendered
    0xA402, 0xA403, 0xA404, 0xA405,  // ExposureMode, WhiteBalance, DigitalZoomRatio, FocalLengthIn35mmFilm
    0xA406, 0xA407, 0xA408, 0xA409,  // SceneCaptureType, GainControl, Contrast, Saturation
    0xA40A, 0xA40B, 0xA40C, 0xA420,  // Sharpness, DeviceSettingDescription, SubjectDistanceRange, ImageUniqueID
    0xA430, 0xA431, 0xA432, 0xA433,  // CameraOwnerName, BodySerialNumber, LensSpecification, LensMake
    0xA434, 0xA435, 0xA500, 0xA460,  // LensModel, LensSerialNumber, Gamma, CompositeImage
    0xA461, 0xA462,                  // SourceImageNumberOfCompositeImage, SourceExposureTimesOfCompositeImage
});

// The interoperability directory (EXIF 2.32, 4.6.7).
constexpr auto kInteroperabilityTags = std::to_array<std::uint16_t>({
    0x0001, 0x0002, 0x1000, 0x1001, 0x1002,  // Index, Version, RelatedImageFileFormat, …Width, …Length
});

template <std::size_t N>
constexpr bool listed(const std::array<std::uint16_t, N>& tags, std::uint16_t tag) {
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

// One namespace and the paths kept in it. A struct is kept field by field:
// its own entry and each field's path.
struct XmpNamespace {
    std::string_view uri;
    const std::string_view* paths;
    std::size_t count;
};

constexpr std::string_view kDublinCore[] = {
    "contributor", "creator", "date",  "description", "format", "identifier",
    "language",    "publisher", "rights", "subject",   "title",  "type",
};  // not coverage (the place the picture covers), source, relation
constexpr std::string_view kXmpBasic[] = {
    "CreateDate", "CreatorTool", "Label", "MetadataDate", "ModifyDate", "Rating",
};
constexpr std::string_view kXmpRights[] = {
    "Certificate", "Marked", "Owner", "UsageTerms", "WebStatement",
};
constexpr std::string_view kXmpMediaManagement[] = {
    "DocumentID", "InstanceID", "OriginalDocumentID",
};
constexpr std::string_view kPhotoshop[] = {
    "AuthorsPosition", "CaptionWriter", "Category",   "ColorMode",
    "Credit",          "DateCreated",   "Headline",   "Instructions",
    "Source",          "SupplementalCategories", "TransmissionReference", "Urgency",
};  // not City, State, Country
constexpr std::string_view kTiff[] = {
    "Artist", "Copyright", "DateTime", "ImageDescription", "ImageLength", "ImageWidth", "Make",
    "Model",  "Orientation", "ResolutionUnit", "Software", "XResolution", "YResolution",
};
constexpr std::string_view kExif[] = {
    "ApertureValue",     "BrightnessValue",       "ColorSpace",           "Contrast",
    "CustomRendered",    "DateTimeDigitized",     "DateTimeOriginal",     "DigitalZoomRatio",
    "ExifVersion",       "ExposureBiasValue",     "ExposureIndex",        "ExposureMode",
    "ExposureProgram",   "ExposureTime",          "FNumber",              "FileSource",
    "Flash",             "Flash/exif:Fired",      "Flash/exif:Function",  "Flash/exif:Mode",
    "Flash/exif:RedEyeMode", "Flash/exif:Return", "FlashpixVersion",      "FocalLength",
    "FocalLengthIn35mmFilm", "FocalPlaneResolutionUnit", "FocalPlaneXResolution",
    "FocalPlaneYResolution", "GainControl",       "ISOSpeedRatings",      "LightSource",
    "MaxApertureValue",  "MeteringMode",          "PixelXDimension",      "PixelYDimension",
    "Saturation",        "SceneCaptureType",      "SceneType",            "SensingMethod",
    "Sharpness",         "ShutterSpeedValue",     "SubjectDistance",      "SubjectDistanceRange",
    "UserComment",       "WhiteBalance",
};  // not the GPS properties
constexpr std::string_view kExifEx[] = {
    "BodySerialNumber", "CameraOwnerName", "Gamma", "ISOSpeed", "LensMake", "LensModel",
    "LensSerialNumber", "LensSpecification", "PhotographicSensitivity",
    "RecommendedExposureIndex", "SensitivityType", "StandardOutputSensitivity",
};
constexpr std::string_view kExifAux[] = {
    "ApproximateFocusDistance", "Firmware", "FlashCompensation", "ImageNumber", "Lens",
    "LensID", "LensInfo", "LensSerialNumber", "OwnerName", "SerialNumber",
};
constexpr std::string_view kIptcCore[] = {
    "CreatorContactInfo",
    "CreatorContactInfo/Iptc4xmpCore:CiEmailWork",
    "CreatorContactInfo/Iptc4xmpCore:CiTelWork",
    "CreatorContactInfo/Iptc4xmpCore:CiUrlWork",
    "IntellectualGenre",
    "Scene",
    "SubjectCode",
};  // not Location, CountryCode, nor the creator's address

template <std::size_t N>
constexpr XmpNamespace space(std::string_view uri, const std::string_view (&paths)[N]) {
    return {uri, paths, N};
}

constexpr std::array<XmpNamespace, 10> kXmpNamespaces = {
    space("http://purl.org/dc/elements/1.1/", kDublinCore),
    space("http://ns.adobe.com/xap/1.0/", kXmpBasic),
    space("http://ns.adobe.com/xap/1.0/rights/", kXmpRights),
    space("http://ns.adobe.com/xap/1.0/mm/", kXmpMediaManagement),
    space("http://ns.adobe.com/photoshop/1.0/", kPhotoshop),
    space("http://ns.adobe.com/tiff/1.0/", kTiff),
    space("http://ns.adobe.com/exif/1.0/", kExif),
    space("http://cipa.jp/exif/1.0/", kExifEx),
    space("http://ns.adobe.com/exif/1.0/aux/", kExifAux),
    space("http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/", kIptcCore),
};

// The path without array indices; empty when a step is a qualifier other
// than the language of an alternative.
std::string plainPath(std::string_view path) {
    std::string out;
    std::size_t i = 0;
    while (i < path.size()) {
        if (path[i] == '[') {
            const std::size_t close = path.find(']', i);
            if (close == std::string_view::npos) {
                return {};
            }
            i = close + 1;
            continue;
        }
        if (path[i] == '/' && i + 1 < path.size() && path[i + 1] == '?') {
            const std::size_t end = path.find('/', i + 1);
            const std::string_view qualifier = path.substr(i + 2, end == std::string_view::npos
                                                                      ? std::string_view::npos
                                                                      : end - i - 2);
            if (!equalsIgnoringCase(qualifier, "xml:lang")) {
                return {};
            }
            i = end == std::string_view::npos ? path.size() : end;
            continue;
        }
        out += path[i++];
    }
    return out;
}

// IPTC IIM 4.2: the envelope's character set (how the texts are coded) and
// the application record's data sets of title, keywords, dates, people,
// credit and caption. Not: 26 and 27 (location code and name), 90 to 101
// (city, sublocation, province, country), nor the contact (118), which may
// be an address.
struct IptcDataSet {
    std::uint16_t record;
    std::uint16_t number;
};
constexpr auto kIptcDataSets = std::to_array<IptcDataSet>({
    {1, 0},    {1, 90},                                  // ModelVersion, CharacterSet
    {2, 0},    {2, 5},   {2, 10},  {2, 15},  {2, 20},    // RecordVersion, ObjectName, Urgency, Category, SuppCategory
    {2, 25},   {2, 40},  {2, 55},  {2, 60},  {2, 62},    // Keywords, SpecialInstructions, DateCreated, TimeCreated, DigitizationDate
    {2, 63},   {2, 65},  {2, 70},  {2, 80},  {2, 85},    // DigitizationTime, Program, ProgramVersion, Byline, BylineTitle
    {2, 105},  {2, 110}, {2, 115}, {2, 116}, {2, 120},   // Headline, Credit, Source, Copyright, Caption
    {2, 122},                                            // Writer
});

}  // namespace

bool exifTagWithoutPlace(std::string_view group, std::uint16_t tag) noexcept {
    if (equalsIgnoringCase(group, "Image")) {
        return listed(kImageTags, tag);
    }
    if (equalsIgnoringCase(group, "Photo")) {
        return listed(kPhotoTags, tag);
    }
    if (equalsIgnoringCase(group, "Iop")) {
        return listed(kInteroperabilityTags, tag);
    }
    return false;
}

bool xmpPropertyWithoutPlace(std::string_view namespaceUri, std::string_view path) noexcept {
    const auto ns = std::find_if(kXmpNamespaces.begin(), kXmpNamespaces.end(),
                                 [&](const XmpNamespace& n) { return equalsIgnoringCase(n.uri, namespaceUri); });
    if (ns == kXmpNamespaces.end()) {
        return false;
    }
    std::string plain;
    try {
        plain = plainPath(path);
    } catch (...) {
        return false;
    }
    if (plain.empty()) {
        return false;
    }
    return std::any_of(ns->paths, ns->paths + ns->count,
                       [&](std::string_view kept) { return equalsIgnoringCase(kept, plain); });
}

bool iptcDataSetWithoutPlace(std::uint16_t record, std::uint16_t dataSet) noexcept {
    return std::any_of(kIptcDataSets.begin(), kIptcDataSets.end(), [&](const IptcDataSet& d) {
        return d.record == record && d.number == dataSet;
    });
}

}  // namespace vendrik
