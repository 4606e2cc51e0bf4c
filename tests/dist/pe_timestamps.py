#!/usr/bin/env python3
"""Prints every time stamp field of a PE image that a build could fill in, one
"name value" a line: the COFF header's, the debug directory's size and entries',
the resource directories', the export directory's and the version block's file
date. A reproducible image has 0 in all of them.

    pe_timestamps.py IMAGE
"""
import struct
import sys


def main(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE image"
    sections_count, stamp = struct.unpack_from("<HI", data, pe + 6)
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    print("coff_header", stamp)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    sections = []
    at = optional + optional_size
    for _ in range(sections_count):
        name, vsize, vaddr, rsize, raddr = struct.unpack_from("<8sIIII", data, at)
        sections.append((vaddr, max(vsize, rsize), raddr))
        at += 40

    def offset(rva):
        for vaddr, size, raddr in sections:
            if vaddr <= rva < vaddr + size:
                return raddr + rva - vaddr
        raise ValueError(hex(rva))

    def directory(index):
        return struct.unpack_from("<II", data, directories + 8 * index)

    export_rva, export_size = directory(0)
    if export_size:
        print("export_directory", struct.unpack_from("<I", data, offset(export_rva) + 4)[0])
    debug_rva, debug_size = directory(6)
    print("debug_directory_size", debug_size)
    resource_rva, resource_size = directory(2)
    if resource_size:
        base = offset(resource_rva)

        def walk(at, depth):
            print("resource_directory", struct.unpack_from("<I", data, at + 4)[0])
            named, numbered = struct.unpack_from("<HH", data, at + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", data, at + 16 + 8 * i)
                if target & 0x80000000:
                    walk(base + (target & 0x7FFFFFFF), depth + 1)

        walk(base, 0)
    fixed = data.find(struct.pack("<I", 0xFEEF04BD))
    if fixed >= 0:
        date_ms, date_ls = struct.unpack_from("<II", data, fixed + 44)
        print("version_file_date", (date_ms << 32) | date_ls)


if __name__ == "__main__":
    main(sys.argv[1])
