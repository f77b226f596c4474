#!/usr/bin/env python3
"""Builds one release zip: q836.exe, q836.bat and the Japanese read-me.

   make_zip.py EXE OUT.zip VERSION

The batch file and the read-me are Shift-JIS (code page 932) with CR LF, as
the host and Japanese Windows read them. File names in the zip are stored in
code page 932 without the UTF-8 flag, so that unzip tools that ignore the
flag show the read-me's Japanese name correctly.
"""
import os, sys, zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
README_NAME = "はじめにお読みください.txt"


class Cp932Name(zipfile.ZipInfo):
    """A member whose name is stored in code page 932, flag bit 11 clear."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp932"), self.flag_bits & ~0x800


def shift_jis_crlf(text):
    return "".join(line + "\r\n" for line in text.splitlines()).encode("cp932")


def main():
    exe, out, version = sys.argv[1:4]
    with open(os.path.join(HERE, "q836.bat"), encoding="utf-8") as f:
        bat = shift_jis_crlf(f.read())
    with open(os.path.join(HERE, "readme-ja.txt"), encoding="utf-8") as f:
        readme = shift_jis_crlf(f.read().replace("@VERSION@", version))
    with open(exe, "rb") as f:
        program = f.read()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in (("q836.exe", program), ("q836.bat", bat), (README_NAME, readme)):
            # Fixed time and attributes, and marked as made on MS-DOS/FAT with
            # the archive attribute, as Windows zip tools write them: the same
            # sources give the same zip, wherever and whenever it is built.
            info = Cp932Name(name, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0x20
            z.writestr(info, data)


if __name__ == "__main__":
    main()
