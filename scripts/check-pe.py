#!/usr/bin/python3
"""Checks that a built Windows executable is 32-bit x86, has the expected subsystem (GUI unless
told "console") and imports only DLLs that ship with Windows.

Usage: check-pe.py EXE [gui|console]"""
import struct
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "shell32.dll", "msvcrt.dll", "advapi32.dll",
               "gdi32.dll", "ole32.dll", "shlwapi.dll", "comdlg32.dll", "ws2_32.dll"}
SUBSYSTEMS = {"gui": 2, "console": 3}
I386 = 0x14C
PE32 = 0x10B


def imports(image, sections, directory_rva):
    def offset(rva):
        for virtual, size, raw in sections:
            if virtual <= rva < virtual + size:
                return rva - virtual + raw
        raise ValueError(f"RVA {rva:#x} is in no section")

    names = []
    at = offset(directory_rva)
    while True:
        descriptor = struct.unpack_from("<5I", image, at)
        if not any(descriptor):
            return names
        name_at = offset(descriptor[3])
        names.append(image[name_at:image.index(b"\0", name_at)].decode("ascii"))
        at += 20


def problems(image, subsystem):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        return ["not a PE image"]
    machine, section_count = struct.unpack_from("<HH", image, pe + 4)
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    optional = pe + 24
    found = []
    if machine != I386 or struct.unpack_from("<H", image, optional)[0] != PE32:
        found.append(f"machine {machine:#x} is not 32-bit x86")
    actual = struct.unpack_from("<H", image, optional + 68)[0]
    if actual != SUBSYSTEMS[subsystem]:
        found.append(f"subsystem {actual}, expected {SUBSYSTEMS[subsystem]} ({subsystem})")
    import_rva = struct.unpack_from("<I", image, optional + 96 + 8)[0]
    sections = []
    for i in range(section_count):
        virtual_size, virtual, raw_size, raw = struct.unpack_from(
            "<4I", image, optional + optional_size + 40 * i + 8)
        sections.append((virtual, max(virtual_size, raw_size), raw))
    for name in imports(image, sections, import_rva):
        if name.lower() not in SYSTEM_DLLS:
            found.append(f"imports {name}, which Windows does not ship")
    return found


def main():
    if len(sys.argv) not in (2, 3) or (len(sys.argv) == 3 and sys.argv[2] not in SUBSYSTEMS):
        sys.exit(__doc__)
    path = sys.argv[1]
    with open(path, "rb") as file:
        found = problems(file.read(), sys.argv[2] if len(sys.argv) == 3 else "gui")
    for problem in found:
        print(f"{path}: {problem}")
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
