#!/usr/bin/env python3
"""Points the load configuration directory of a 64-bit PE image at its _load_config_used.

    fill_load_config.py IMAGE NM

GNU ld of binutils 2.40 leaves the directory empty even when the image defines the symbol; the
directory's size is the structure's first word, as later linkers take it. NM is the nm of the
cross toolchain, which finds the symbol's address.
"""
import struct
import subprocess
import sys

LOAD_CONFIG_ENTRY = 10


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    image_path, nm = sys.argv[1], sys.argv[2]
    symbols = subprocess.run([nm, image_path], check=True, capture_output=True, text=True).stdout
    address = None
    for line in symbols.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[2] == "_load_config_used":
            address = int(fields[0], 16)
    if address is None:
        sys.exit(f"{image_path}: no _load_config_used")

    with open(image_path, "r+b") as image:
        data = bytearray(image.read())
        headers = struct.unpack_from("<I", data, 0x3C)[0]
        if data[headers:headers + 4] != b"PE\0\0":
            sys.exit(f"{image_path}: not a PE image")
        optional = headers + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x20B:
            sys.exit(f"{image_path}: not a 64-bit image")
        image_base = struct.unpack_from("<Q", data, optional + 24)[0]
        directory_count = struct.unpack_from("<I", data, optional + 108)[0]
        if directory_count <= LOAD_CONFIG_ENTRY:
            sys.exit(f"{image_path}: no load configuration entry")
        rva = address - image_base

        # The structure's first word, found through the section table.
        section_count = struct.unpack_from("<H", data, headers + 6)[0]
        optional_size = struct.unpack_from("<H", data, headers + 20)[0]
        sections = optional + optional_size
        size = None
        for i in range(section_count):
            entry = sections + 40 * i
            virtual_address, raw_size, raw_offset = struct.unpack_from("<III", data, entry + 12)
            if virtual_address <= rva < virtual_address + raw_size:
                size = struct.unpack_from("<I", data, rva - virtual_address + raw_offset)[0]
        if size is None:
            sys.exit(f"{image_path}: _load_config_used lies in no section")

        struct.pack_into("<II", data, optional + 112 + 8 * LOAD_CONFIG_ENTRY, rva, size)
        image.seek(0)
        image.write(data)


if __name__ == "__main__":
    main()
