#!/usr/bin/python3
"""Checks that a built Windows executable is for the expected machine (32-bit x86 unless told
"x64", for the 64-bit twin that the Wine tests run where 32-bit programs cannot), has the expected
subsystem (GUI unless told "console") and imports only DLLs that ship with Windows.

Usage: check-pe.py EXE [gui|console] [x86|x64]"""
import struct
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "shell32.dll", "msvcrt.dll", "advapi32.dll",
               "gdi32.dll", "ole32.dll", "shlwapi.dll", "comdlg32.dll", "ws2_32.dll"}
SUBSYSTEMS = {"gui": 2, "console": 3}
# Machine, optional header magic, offset of the data directories in the optional header.
MACHINES = {"x86": (0x14C, 0x10B, 96), "x64": (0x8664, 0x20B, 112)}


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


def problems(image, subsystem, machine_name):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        return ["not a PE image"]
    machine, section_count = struct.unpack_from("<HH", image, pe + 4)
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    optional = pe + 24
    expected_machine, magic, directories = MACHINES[machine_name]
    if machine != expected_machine or struct.unpack_from("<H", image, optional)[0] != magic:
        # The rest of the header is laid out for another machine.
        return [f"machine {machine:#x} is not {machine_name}"]
    found = []
    actual = struct.unpack_from("<H", image, optional + 68)[0]
    if actual != SUBSYSTEMS[subsystem]:
        found.append(f"subsystem {actual}, expected {SUBSYSTEMS[subsystem]} ({subsystem})")
    import_rva = struct.unpack_from("<I", image, optional + directories + 8)[0]
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
    args = sys.argv[1:]
    if not 1 <= len(args) <= 3:
        sys.exit(__doc__)
    path, subsystem, machine = args + ["gui", "x86"][len(args) - 1:]
    if subsystem not in SUBSYSTEMS or machine not in MACHINES:
        sys.exit(__doc__)
    with open(path, "rb") as file:
        found = problems(file.read(), subsystem, machine)
    for problem in found:
        print(f"{path}: {problem}")
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
