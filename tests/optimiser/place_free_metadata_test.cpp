// What "behalten ohne GPS" keeps, case by case: the allow-list lets camera,
// date, author and description through and nothing that is not vouched
// for, whatever its spelling.

#include "optimiser/place_free_metadata.h"

#include <gtest/gtest.h>

namespace vendrik {
namespace {

constexpr const char* kExifNs = "http://ns.adobe.com/exif/1.0/";
constexpr const char* kDcNs = "http://purl.org/dc/elements/1.1/";
constexpr const char* kIptcCoreNs = "http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/";

struct XmpCase {
    const char* uri;
    const char* path;
    bool kept;
};

TEST(PlaceFreeMetadata, XmpPropertiesByNamespaceAndPath) {
    const XmpCase cases[] = {
        // Camera, dates, author, rating, keywords, description stay.
        {"http://ns.adobe.com/tiff/1.0/", "Make", true},
        {kExifNs, "DateTimeOriginal", true},
        {kExifNs, "Flash/exif:Fired", true},
        {"http://ns.adobe.com/xap/1.0/", "Rating", true},
        {kDcNs, "subject", true},
        {kDcNs, "rights", true},
        {kDcNs, "title/?xml:lang", true},
        {kIptcCoreNs, "CreatorContactInfo/Iptc4xmpCore:CiEmailWork", true},
        // Names in another case are the same names.
        {kExifNs, "datetimeoriginal", true},
        {"HTTP://NS.ADOBE.COM/TIFF/1.0/", "MODEL", true},
        // Places, in every spelling.
        {kExifNs, "GPSLatitude", false},
        {kExifNs, "gpslongitude", false},
        {kExifNs, "GPSAltitude", false},
        {kDcNs, "coverage", false},
        {"http://ns.adobe.com/photoshop/1.0/", "City", false},
        {"http://ns.adobe.com/photoshop/1.0/", "state", false},
        {kIptcCoreNs, "Location", false},
        {kIptcCoreNs, "CreatorContactInfo/Iptc4xmpCore:CiAdrCity", false},
        {"http://iptc.org/std/Iptc4xmpExt/2008-02-29/", "LocationShown[1]/Iptc4xmpExt:City", false},
        {"http://www.w3.org/2003/01/geo/wgs84_pos#", "Lat", false},
        {"http://www.dji.com/drone-dji/1.0/", "GPSLongtitude", false},
        // A kept name in a namespace nobody vouches for, a struct field
        // that is not listed, a qualifier, a broken path.
        {"http://example.org/made-up/", "Rating", false},
        {kExifNs, "Flash/exif:City", false},
        {kExifNs, "Flash/geo:Lat", false},
        {kDcNs, "creator[1]/?place", false},
        {kDcNs, "subject[1", false},
        {kDcNs, "", false},
    };
    for (const XmpCase& c : cases) {
        EXPECT_EQ(xmpPropertyWithoutPlace(c.uri, c.path), c.kept) << c.uri << " " << c.path;
    }
}

TEST(PlaceFreeMetadata, ExifTagsByDirectory) {
    struct Case {
        const char* group;
        std::uint16_t tag;
        bool kept;
    };
    const Case cases[] = {
        {"Image", 0x010F, true},    // Make
        {"Image", 0x8298, true},    // Copyright
        {"Image", 0x8769, true},    // the pointer to the Exif directory
        {"Photo", 0x9003, true},    // DateTimeOriginal
        {"Photo", 0xA434, true},    // LensModel
        {"Iop", 0x0001, true},      // InteroperabilityIndex
        {"Image", 0x8825, false},   // the pointer to the GPS directory
        {"Image", 0x013C, false},   // HostComputer
        {"Image", 0xC634, false},   // DNGPrivateData
        {"Photo", 0x927C, false},   // MakerNote
        {"Photo", 0xA214, false},   // SubjectLocation (pixels of the source)
        {"Photo", 0x9403, false},   // WaterDepth
        {"Photo", 0x1234, false},   // unknown
        {"GPSInfo", 0x0002, false}, // GPSLatitude
        {"GPSInfo", 0x0000, false},
        {"Panasonic", 0x006D, false},  // a maker note's City
        {"Thumbnail", 0x0103, false},
        {"SubImage1", 0x010F, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(exifTagWithoutPlace(c.group, c.tag), c.kept) << c.group << " " << c.tag;
    }
}

TEST(PlaceFreeMetadata, IptcDataSets) {
    struct Case {
        std::uint16_t record;
        std::uint16_t dataSet;
        bool kept;
    };
    const Case cases[] = {
        {1, 90, true},    // CharacterSet
        {2, 25, true},    // Keywords
        {2, 116, true},   // Copyright
        {2, 120, true},   // Caption
        {2, 90, false},   // City
        {2, 92, false},   // SubLocation
        {2, 95, false},   // ProvinceState
        {2, 100, false},  // CountryCode
        {2, 101, false},  // CountryName
        {2, 26, false},   // LocationCode
        {2, 27, false},   // LocationName
        {2, 118, false},  // Contact
        {1, 5, false},    // Destination
        {3, 25, false},   // another record
    };
    for (const Case& c : cases) {
        EXPECT_EQ(iptcDataSetWithoutPlace(c.record, c.dataSet), c.kept)
            << c.record << ":" << c.dataSet;
    }
}

}  // namespace
}  // namespace vendrik
