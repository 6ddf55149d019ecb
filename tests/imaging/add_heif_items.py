#!/usr/bin/env python3
"""Writes a copy of a HEIF file with COUNT more items: XMP-typed items
without data, each declared in the item information box. The picture's own
items and their data stay as they were (the data's offsets are moved by
what the metadata box grew).

    add_heif_items.py IN OUT COUNT
"""
import struct
import sys


def boxes(data, start, end):
    """(type, start, header length, end) of each box in data[start:end]."""
    at = start
    while at + 8 <= end:
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        header = 8
        if size == 1:
            size = struct.unpack(">Q", data[at + 8:at + 16])[0]
            header = 16
        elif size == 0:
            size = end - at
        yield kind.decode("latin-1"), at, header, at + size
        at += size


def find(data, start, end, kind):
    for k, s, h, e in boxes(data, start, end):
        if k == kind:
            return s, h, e
    raise SystemExit("no %s box" % kind)


def moved_iloc(iloc, delta):
    """The item location box with every file offset moved by delta."""
    out = bytearray(iloc)
    version = out[8]
    sizes = out[12], out[13]
    offset_size, length_size = sizes[0] >> 4, sizes[0] & 15
    base_size, index_size = sizes[1] >> 4, (sizes[1] & 15) if version >= 1 else 0
    at = 14
    if version < 2:
        count = struct.unpack(">H", out[at:at + 2])[0]
        at += 2
    else:
        count = struct.unpack(">I", out[at:at + 4])[0]
        at += 4

    def move(at, size):
        if size == 0:
            return
        fmt = ">I" if size == 4 else ">Q"
        value = struct.unpack(fmt, out[at:at + size])[0]
        out[at:at + size] = struct.pack(fmt, value + delta)

    for _ in range(count):
        at += 2 if version < 2 else 4
        method = 0
        if version >= 1:
            method = struct.unpack(">H", out[at:at + 2])[0] & 15
            at += 2
        at += 2  # data reference index
        if method == 0:
            move(at, base_size)
        base_at = at
        at += base_size
        extents = struct.unpack(">H", out[at:at + 2])[0]
        at += 2
        for _ in range(extents):
            at += index_size
            if method == 0 and base_size == 0:
                move(at, offset_size)
            at += offset_size + length_size
        del base_at
    return bytes(out)


def with_locations(iloc, first_id, count):
    """The item location box with an entry for each added item: one extent
    of one byte at the file's start (never read)."""
    out = bytearray(iloc)
    version = out[8]
    if version >= 2:
        raise SystemExit("item location box of version 2 not handled")
    offset_size, length_size = out[12] >> 4, out[12] & 15
    base_size, index_size = out[13] >> 4, (out[13] & 15) if version == 1 else 0
    existing = struct.unpack(">H", out[14:16])[0]
    if existing + count > 0xFFFF:
        raise SystemExit("too many items for this item location box")
    out[14:16] = struct.pack(">H", existing + count)
    entry = bytearray()
    for i in range(count):
        entry += struct.pack(">H", first_id + i)
        if version == 1:
            entry += struct.pack(">H", 0)
        entry += struct.pack(">H", 0) + bytes(base_size) + struct.pack(">H", 1)
        entry += bytes(index_size) + bytes(offset_size)
        entry += (1).to_bytes(length_size, "big") if length_size else b""
    out += entry
    out[0:4] = struct.pack(">I", len(out))
    return bytes(out)


def main():
    source, target, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    data = open(source, "rb").read()
    meta_start, meta_header, meta_end = find(data, 0, len(data), "meta")
    inner = meta_start + meta_header + 4  # meta is a full box
    iinf_start, iinf_header, iinf_end = find(data, inner, meta_end, "iinf")
    version = data[iinf_start + iinf_header]
    count_size = 2 if version == 0 else 4
    count_at = iinf_start + iinf_header + 4
    fmt = ">H" if count_size == 2 else ">I"
    existing = struct.unpack(fmt, data[count_at:count_at + count_size])[0]
    if count_size == 2 and existing + count > 0xFFFF:
        raise SystemExit("too many items for this item information box")
    entries = bytearray()
    first_id = 0x4000
    for i in range(count):
        body = struct.pack(">BBBBHH", 2, 0, 0, 0, first_id + i, 0) + b"mime" + b"\0" + \
            b"application/rdf+xml\0"
        entries += struct.pack(">I4s", 8 + len(body), b"infe") + body
    out = bytearray(data)
    out[count_at:count_at + count_size] = struct.pack(fmt, existing + count)
    out[iinf_end:iinf_end] = entries
    size = struct.unpack(">I", out[iinf_start:iinf_start + 4])[0]
    out[iinf_start:iinf_start + 4] = struct.pack(">I", size + len(entries))
    meta_end += len(entries)
    iloc_start, _, iloc_end = find(out, inner, meta_end, "iloc")
    iloc = with_locations(out[iloc_start:iloc_end], first_id, count)
    grown = len(entries) + len(iloc) - (iloc_end - iloc_start)
    out[iloc_start:iloc_end] = moved_iloc(iloc, grown)
    size = struct.unpack(">I", out[meta_start:meta_start + 4])[0]
    out[meta_start:meta_start + 4] = struct.pack(">I", size + grown)
    open(target, "wb").write(out)


main()
