#!/usr/bin/env python3
"""Static checks of a built q836.exe, for a build that cannot run here.

   pe_check.py EXE i386|x86_64

The file must be a Windows GUI program for the given machine (PE32 for
i386, PE32+ for x86_64), carry its manifest as a resource, and import from
system DLLs only (no runtime DLL of the compiler to ship beside it). Its
header carries no time stamp (two builds are the same bytes), every resource
is Japanese (1041), and the icon has 16, 32, 48 and 256 px images.
"""
import struct, sys

MACHINES = {"i386": (0x14C, 0x10B), "x86_64": (0x8664, 0x20B)}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "imm32.dll",
               "ole32.dll", "oleaut32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll"}
RT_MANIFEST, RT_VERSION, RT_GROUP_ICON = 24, 16, 14
LANG_JAPANESE = 0x411


def main():
    path, machine = sys.argv[1], sys.argv[2]
    data = open(path, "rb").read()
    problems = []
    if data[:2] != b"MZ":
        sys.exit(f"FAIL: {path} is no executable")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"FAIL: {path} has no PE header")
    file_machine, sections, stamp, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data,
                                                                               pe + 4)
    if stamp != 0:
        problems.append(f"time stamp {stamp:#x} in the header: builds differ by their time")
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    want_machine, want_magic = MACHINES[machine]
    if file_machine != want_machine or magic != want_magic:
        problems.append(f"machine {file_machine:#x} / optional header {magic:#x}, "
                        f"not {machine} ({want_machine:#x} / {want_magic:#x})")
        print("\n".join("FAIL: " + p for p in problems))
        sys.exit(1)
    subsystem = struct.unpack_from("<H", data, optional + 68)[0]
    if subsystem != 2:
        problems.append(f"subsystem {subsystem}, not the Windows GUI (2)")
    directories = optional + (96 if magic == 0x10B else 112)
    table = optional + optional_size
    section_list = [struct.unpack_from("<8sIIII", data, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for _, size, address, raw_size, raw in section_list:
            if address <= rva < address + max(size, raw_size):
                return rva - address + raw
        raise ValueError(f"RVA {rva:#x} outside every section")

    def directory(index):
        return struct.unpack_from("<II", data, directories + 8 * index)

    def cstring(at):
        return data[at:data.index(b"\0", at)].decode("ascii")

    # Imports: one descriptor of 20 bytes per DLL, ended by a zero one.
    rva, _ = directory(1)
    dlls = []
    at = offset(rva)
    while True:
        name_rva = struct.unpack_from("<I", data, at + 12)[0]
        if name_rva == 0:
            break
        dlls.append(cstring(offset(name_rva)))
        at += 20
    foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS and not d.lower().startswith("api-ms-")]
    if foreign:
        problems.append(f"imports from non-system DLLs: {', '.join(foreign)}")
    if not dlls:
        problems.append("no imports found")

    # Resources: type, name and language directories, then the data.
    rva, size = directory(2)
    types, languages, icon_sizes = [], set(), []
    if size:
        root = offset(rva)

        def entries(at):
            named, ids = struct.unpack_from("<HH", data, at + 12)
            return [struct.unpack_from("<II", data, at + 16 + 8 * i) for i in range(named + ids)]

        for kind, names in entries(root):
            if not kind & 0x80000000:
                types.append(kind)
            for _, langs in entries(root + (names & 0x7FFFFFFF)):
                for language, leaf in entries(root + (langs & 0x7FFFFFFF)):
                    languages.add(language)
                    if kind == RT_GROUP_ICON:
                        data_rva, data_size = struct.unpack_from("<II", data, root + leaf)
                        at = offset(data_rva)
                        count = struct.unpack_from("<H", data, at + 4)[0]
                        icon_sizes = [data[at + 6 + 14 * i] or 256 for i in range(count)]
    if languages != {LANG_JAPANESE}:
        problems.append(f"resource languages {sorted(languages)}, not Japanese ({LANG_JAPANESE})")
    if sorted(icon_sizes) != [16, 32, 48, 256]:
        problems.append(f"icon images of {sorted(icon_sizes)} px, not 16, 32, 48 and 256")
    if RT_MANIFEST not in types:
        problems.append("no manifest resource")
    if RT_VERSION not in types:
        problems.append("no version resource")
    for p in problems:
        print("FAIL:", p)
    if not problems:
        print(f"{path}: {machine} GUI program, manifest and version resources, "
              f"imports {', '.join(sorted(dlls))}")
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
