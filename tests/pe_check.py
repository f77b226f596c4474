#!/usr/bin/env python3
"""Static checks of a built q836.exe, for a build that cannot run here.

   pe_check.py EXE i386|x86_64

The file must be a Windows GUI program for the given machine (PE32 for
i386, PE32+ for x86_64), carry its manifest as a resource, and import from
system DLLs only (no runtime DLL of the compiler to ship beside it).
"""
import struct, sys

MACHINES = {"i386": (0x14C, 0x10B), "x86_64": (0x8664, 0x20B)}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "imm32.dll",
               "ole32.dll", "oleaut32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll"}
RT_MANIFEST, RT_VERSION = 24, 16


def main():
    path, machine = sys.argv[1], sys.argv[2]
    data = open(path, "rb").read()
    problems = []
    if data[:2] != b"MZ":
        sys.exit(f"FAIL: {path} is no executable")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"FAIL: {path} has no PE header")
    file_machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
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

    # Resources: the types at the root of the resource directory.
    rva, size = directory(2)
    types = []
    if size:
        root = offset(rva)
        named, ids = struct.unpack_from("<HH", data, root + 12)
        for i in range(named + ids):
            entry = struct.unpack_from("<I", data, root + 16 + 8 * i)[0]
            if not entry & 0x80000000:
                types.append(entry)
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
