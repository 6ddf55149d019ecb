// What "behalten ohne GPS" keeps of XMP, case by case: camera, date,
// author and description pass, and nothing that is not vouched for,
// whatever its spelling, namespace or place in a struct. (EXIF and IPTC go
// by number; the hostile files' test looks at all three from outside.)

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

}  // namespace
}  // namespace vendrik
