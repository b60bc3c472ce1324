#!/usr/bin/env python3
"""Reads back the resources of a Windows program file (PE), as Windows
finds them, for scripts/test_windows.sh:

  pe_resources.py manifest FILE.exe   the manifest (RT_MANIFEST, id 1), as stored
  pe_resources.py version FILE.exe    the version information: "FILEVERSION=a.b.c.d",
                                      "PRODUCTVERSION=a.b.c.d", "Translation=0419:04b0",
                                      then each string as "Name=value"
  pe_resources.py icon FILE.exe       the pictures of the first icon group, one a line
                                      ("WxH BITS bytes sha256")
  pe_resources.py icon FILE.ico       the same for an icon file

Exits with status 1 and a line on standard error when the resource is not
there."""
import hashlib
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def fail(message):
    sys.stderr.write(f"{sys.argv[1]} {sys.argv[2]}: {message}\n")
    sys.exit(1)


class Pe:
    def __init__(self, data):
        if data[:2] != b"MZ":
            fail("not a program file")
        pe, = struct.unpack_from("<I", data, 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            fail("not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic, = struct.unpack_from("<H", data, optional)
        directories = optional + (112 if magic == 0x20B else 96)
        self.rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)  # the resource directory
        self.sections = []
        at = optional + optional_size
        for _ in range(sections):
            size, address, raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((address, max(size, raw_size), raw))
            at += 40
        self.data = data
        self.resources = {}
        if self.rva:
            self._walk(self.offset(self.rva), ())

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return rva - address + raw
        fail(f"address {rva:#x} outside every section")

    def _walk(self, at, path):
        named, numbered = struct.unpack_from("<HH", self.data, at + 12)
        base = self.offset(self.rva)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
            if name & 0x80000000:
                length, = struct.unpack_from("<H", self.data, base + (name & 0x7FFFFFFF))
                start = base + (name & 0x7FFFFFFF) + 2
                name = self.data[start:start + 2 * length].decode("utf-16-le")
            if target & 0x80000000:
                self._walk(base + (target & 0x7FFFFFFF), path + (name,))
            else:
                rva, size = struct.unpack_from("<II", self.data, base + target)
                start = self.offset(rva)
                self.resources[path + (name,)] = self.data[start:start + size]

    def find(self, kind, ident=None):
        """(id, language, bytes) of each resource of that type, by id."""
        return sorted((key[1], key[2], value) for key, value in self.resources.items()
                      if key[0] == kind and (ident is None or key[1] == ident))


def version_strings(block):
    """The VS_VERSIONINFO tree as lines."""
    lines = []

    def node(at):
        length, value_length, kind = struct.unpack_from("<HHH", block, at)
        end = at + length
        key_end = at + 6
        while block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = block[at + 6:key_end].decode("utf-16-le")
        value = (key_end + 2 + 3) & ~3
        children = value + (value_length * 2 if kind == 1 else value_length)
        return key, value, value_length, kind, (children + 3) & ~3, end

    key, value, value_length, _, child, end = node(0)
    if key != "VS_VERSION_INFO":
        fail("the version information does not begin with VS_VERSION_INFO")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIIIII", block, value)
    if signature != 0xFEEF04BD:
        fail("the fixed version information has a wrong signature")
    number = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    lines.append("FILEVERSION=" + number(file_ms, file_ls))
    lines.append("PRODUCTVERSION=" + number(product_ms, product_ls))
    while child < end:
        key, _, _, _, grandchild, child_end = node(child)
        while grandchild < child_end:
            table, _, _, _, entry, table_end = node(grandchild)
            if key == "VarFileInfo":
                _, value, value_length, _, _, _ = node(grandchild)
                pairs = struct.unpack_from(f"<{value_length // 2}H", block, value)
                lines.append("Translation=" + " ".join(f"{pairs[i]:04x}:{pairs[i + 1]:04x}"
                                                       for i in range(0, len(pairs), 2)))
                entry = table_end
            while entry < table_end:
                name, value, value_length, _, _, entry_end = node(entry)
                text = block[value:value + 2 * value_length].decode("utf-16-le").rstrip("\0")
                lines.append(f"{name}={text}")
                entry = (entry_end + 3) & ~3
            grandchild = (table_end + 3) & ~3
        child = (child_end + 3) & ~3
    return lines


def picture(data, width, height, bits):
    return f"{width or 256}x{height or 256} {bits} {len(data)} {hashlib.sha256(data).hexdigest()}"


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("manifest", "version", "icon"):
        sys.exit(__doc__)
    what, path = sys.argv[1], sys.argv[2]
    data = open(path, "rb").read()
    if what == "icon" and path.lower().endswith(".ico"):
        _, _, count = struct.unpack_from("<HHH", data, 0)
        for i in range(count):
            width, height, _, _, _, bits, size, at = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            print(picture(data[at:at + size], width, height, bits))
        return
    pe = Pe(data)
    if what == "manifest":
        found = pe.find(RT_MANIFEST, 1)
        if not found:
            fail("no manifest with id 1")
        sys.stdout.write(found[0][2].decode("utf-8"))
    elif what == "version":
        found = pe.find(RT_VERSION, 1)
        if not found:
            fail("no version information")
        print("\n".join(version_strings(found[0][2])))
    else:
        groups = pe.find(RT_GROUP_ICON)
        if not groups:
            fail("no icon")
        images = {key: value for key, _, value in pe.find(RT_ICON)}
        group = groups[0][2]
        _, _, count = struct.unpack_from("<HHH", group, 0)
        for i in range(count):
            width, height, _, _, _, bits, _, ident = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            if ident not in images:
                fail(f"the icon group names picture {ident}, which is not there")
            print(picture(images[ident], width, height, bits))


if __name__ == "__main__":
    main()
