#pragma once
// What "behalten ohne GPS" keeps: the metadata known to say nothing about
// where a picture was taken (camera, lens, exposure, dates, author,
// copyright, rating, keywords, description).
//
// It is a list of what may stay, not of what must go. Places hide in more
// corners than any list of them could name: a maker note's own location
// fields, a drone maker's namespace with its own spelling
// (drone-dji:GPSLongtitude), geo:Lat, dc:coverage, a creator's address. So
// whatever is not vouched for here goes: maker notes, unknown tags, every
// XMP namespace and property not listed, and struct fields not listed.
// Names are compared without regard to case, so that a spelling in other
// case cannot pass for something else.

#include <cstdint>
#include <string_view>

namespace vendrik {

// An EXIF tag by the directory it is in, in Exiv2's group names: "Image"
// (IFD0), "Photo" (the Exif directory) or "Iop" (interoperability). Every
// other directory (GPS, IFD1, maker notes) keeps nothing.
[[nodiscard]] bool exifTagWithoutPlace(std::string_view group, std::uint16_t tag) noexcept;

// An XMP property by its namespace URI and its path within that namespace
// as Exiv2 spells it: "Rating", "subject", "Flash/exif:Fired",
// "CreatorContactInfo/Iptc4xmpCore:CiEmailWork". Array indices ("[2]") and
// the language qualifier are passed over.
[[nodiscard]] bool xmpPropertyWithoutPlace(std::string_view namespaceUri,
                                           std::string_view path) noexcept;

// An IPTC data set by its record (1 envelope, 2 application) and number.
[[nodiscard]] bool iptcDataSetWithoutPlace(std::uint16_t record, std::uint16_t dataSet) noexcept;

}  // namespace vendrik
