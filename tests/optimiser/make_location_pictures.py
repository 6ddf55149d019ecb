#!/usr/bin/python3
"""Writes pictures that say where they were taken in every corner metadata
has, into FOLDER:

  location.jpg   EXIF with GPS and a Panasonic maker note whose Location,
                 Country, State, City and Landmark fields name the place;
                 XMP with the place in the exif, photoshop, Iptc4xmpCore,
                 Iptc4xmpExt, geo and dc (coverage) namespaces, in a drone
                 maker's namespace with its own spelling (GPSLongtitude),
                 in lower case, and in the creator's address; IPTC with
                 city, sublocation, province and country. Beside the place:
                 camera, dates, exposure, copyright, rating and keywords.
  location.png .tif .webp .heic
                 the same metadata copied by exiftool (HEIC: from a picture
                 made by heif-enc)

Every place is spelt with one of the words in PLACES, so a test can look for
them in whatever exiftool prints. Needs Pillow, exiftool and heif-enc.

Usage: make_location_pictures.py FOLDER
"""
import os
import struct
import subprocess
import sys

from PIL import Image

PLACES = ["Berlin", "Deutschland", "Potsdam", "Pariser", "Brandenburger", "52.516", "13.377"]

XMP = """<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>
<x:xmpmeta xmlns:x='adobe:ns:meta/'>
<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>
 <rdf:Description rdf:about=''
  xmlns:exif='http://ns.adobe.com/exif/1.0/'
  xmlns:tiff='http://ns.adobe.com/tiff/1.0/'
  xmlns:xmp='http://ns.adobe.com/xap/1.0/'
  xmlns:dc='http://purl.org/dc/elements/1.1/'
  xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/'
  xmlns:Iptc4xmpCore='http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/'
  xmlns:Iptc4xmpExt='http://iptc.org/std/Iptc4xmpExt/2008-02-29/'
  xmlns:geo='http://www.w3.org/2003/01/geo/wgs84_pos#'
  xmlns:drone-dji='http://www.dji.com/drone-dji/1.0/'
  exif:GPSLatitude='52,30.98N'
  exif:GPSLongitude='13,22.66E'
  exif:gpsaltitude='34/1'
  exif:DateTimeOriginal='2024-05-01T10:00:00'
  exif:FNumber='28/10'
  tiff:Make='Panasonic'
  tiff:Model='DMC-TZ70'
  xmp:CreateDate='2024-05-01T10:00:00'
  xmp:Rating='4'
  photoshop:City='Berlin'
  photoshop:State='Berlin'
  photoshop:Country='Deutschland'
  photoshop:Credit='Erika Muster'
  Iptc4xmpCore:Location='Pariser Platz'
  Iptc4xmpCore:CountryCode='DE'
  geo:Lat='52.5163'
  geo:Long='13.3777'
  drone-dji:GPSLatitude='52.5163'
  drone-dji:GPSLongtitude='13.3777'
  drone-dji:AbsoluteAltitude='+45.00'>
  <dc:coverage>Berlin, Deutschland</dc:coverage>
  <dc:rights><rdf:Alt><rdf:li xml:lang='x-default'>Erika Muster</rdf:li></rdf:Alt></dc:rights>
  <dc:subject><rdf:Bag><rdf:li>Urlaub</rdf:li></rdf:Bag></dc:subject>
  <Iptc4xmpCore:CreatorContactInfo rdf:parseType='Resource'>
   <Iptc4xmpCore:CiAdrCity>Potsdam</Iptc4xmpCore:CiAdrCity>
   <Iptc4xmpCore:CiEmailWork>erika@example.org</Iptc4xmpCore:CiEmailWork>
  </Iptc4xmpCore:CreatorContactInfo>
  <Iptc4xmpExt:LocationShown><rdf:Bag><rdf:li rdf:parseType='Resource'>
   <Iptc4xmpExt:City>Berlin</Iptc4xmpExt:City>
  </rdf:li></rdf:Bag></Iptc4xmpExt:LocationShown>
 </rdf:Description>
</rdf:RDF>
</x:xmpmeta>
<?xpacket end='w'?>
"""


def directory(entries, start):
    """A little-endian IFD at `start` (from the TIFF header) and the values
    that do not fit its entries, right behind it."""
    data_at = start + 2 + 12 * len(entries) + 4
    head, data = struct.pack('<H', len(entries)), b''
    for tag, kind, count, value in entries:
        if len(value) <= 4:
            field = value.ljust(4, b'\0')
        else:
            field = struct.pack('<I', data_at + len(data))
            data += value + (b'\0' if len(value) % 2 else b'')
        head += struct.pack('<HHI', tag, kind, count) + field
    return head + b'\0\0\0\0' + data


def text(tag, s):
    b = s.encode() + b'\0'
    return (tag, 2, len(b), b)


def field(tag, s, n=20):
    """Panasonic's place fields: UNDEFINED, padded with NUL."""
    return (tag, 7, n, s.encode().ljust(n, b'\0'))


def exif():
    """IFD0, an Exif directory and a Panasonic maker note ("Panasonic\\0\\0\\0"
    and an IFD whose offsets count from the TIFF header, as the camera
    writes it)."""
    ifd0 = [text(0x010F, 'Panasonic'), text(0x0110, 'DMC-TZ70'),
            text(0x0132, '2024:05:01 10:00:00'), text(0x8298, 'Erika Muster'),
            (0x8769, 4, 1, b'\0\0\0\0')]
    exif_at = 8 + len(directory(ifd0, 8))
    ifd0[-1] = (0x8769, 4, 1, struct.pack('<I', exif_at))

    def exif_dir(note):
        return [text(0x9003, '2024:05:01 10:00:00'), (0x829D, 5, 1, struct.pack('<II', 28, 10)),
                (0x927C, 7, len(note), note)]
    # The maker note comes last in the Exif directory's data; where it starts
    # does not depend on what it holds.
    note_at = exif_at + len(directory(exif_dir(b'\0' * 5), exif_at)) - 6
    header = b'Panasonic\0\0\0'
    note = header + directory([field(0x0067, 'Brandenburger Tor'), field(0x0069, 'Deutschland'),
                               field(0x006B, 'Berlin'), field(0x006D, 'Berlin-Mitte'),
                               field(0x006F, 'Pariser Platz')], note_at + len(header))
    tiff = b'II*\0' + struct.pack('<I', 8) + directory(ifd0, 8) + directory(exif_dir(note), exif_at)
    return b'Exif\0\0' + tiff


def exiftool(*args):
    subprocess.run(['exiftool', '-q', '-q', '-overwrite_original'] + list(args), check=True)


def main():
    folder = sys.argv[1]
    jpg = os.path.join(folder, 'location.jpg')
    scene = Image.new('RGB', (96, 64))
    scene.putdata([(x * 2, y * 3, 128) for y in range(64) for x in range(96)])
    scene.save(jpg, quality=90, exif=exif())
    xmp = os.path.join(folder, 'location.xmp')
    with open(xmp, 'w') as f:
        f.write(XMP)
    exiftool('-xmp<=' + xmp, '-GPSLatitude=52.5163', '-GPSLatitudeRef=N',
             '-GPSLongitude=13.3777', '-GPSLongitudeRef=E', '-GPSAltitude=34',
             '-IPTC:City=Berlin', '-IPTC:Sub-location=Pariser Platz',
             '-IPTC:Province-State=Berlin', '-IPTC:Country-PrimaryLocationName=Deutschland',
             '-IPTC:CopyrightNotice=Erika Muster', '-IPTC:Keywords=Urlaub', jpg)
    png = os.path.join(folder, 'location-plain.png')
    scene.save(png)
    subprocess.run(['heif-enc', '-q', '90', png, '-o', os.path.join(folder, 'location.heic')],
                   check=True, stdout=subprocess.DEVNULL)
    for ending in ('png', 'tif', 'webp'):
        scene.save(os.path.join(folder, 'location.' + ending))
    for ending in ('png', 'tif', 'webp', 'heic'):
        exiftool('-tagsFromFile', jpg, '-exif:all', '-xmp', '-iptc:all',
                 os.path.join(folder, 'location.' + ending))


if __name__ == '__main__':
    main()
