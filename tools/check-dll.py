#!/usr/bin/env python3
"""Static checks of a built setup library, for the builds no machine here can
run (the i686 DLL) as well as the x86_64 one.

usage: check-dll.py i686|x86_64 path/to/qzifx06s.dll

Checked:
- the export table names exactly ConfigDSN and getFileVersionString;
- on i686, every return of ConfigDSN is "ret $0x10": the installer calls it
  as __stdcall with 16 bytes of arguments, and a cdecl return would corrupt
  its stack;
- the load-time imports are system DLLs only, and none of the libraries the
  library loads at first use (comctl32, odbc32, ole32, oleaut32) is among
  them;
- each of those is described by a delay-import record, and every address
  slot of the record holds the address of code in the image: the loading
  thunk that a first call goes through. A slot that holds 0 sends that first
  call to address 0.

Prints one line per DLL and exits 1 when a check fails.
"""
import re
import struct
import subprocess
import sys

EXPORTS = ["ConfigDSN", "getFileVersionString"]
SYSTEM_DLLS = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"}
LOADED_AT_FIRST_USE = {"comctl32.dll", "odbc32.dll", "ole32.dll", "oleaut32.dll"}


def objdump(arch, *args):
    return subprocess.run([f"{arch}-w64-mingw32-objdump", *args], check=True,
                          capture_output=True, text=True).stdout


def export_table(headers):
    """Export names in name-table order with their RVAs."""
    rvas = {}
    names = {}
    section = None
    for line in headers.splitlines():
        if line.startswith("Export Address Table -- Ordinal Base"):
            section = "eat"
        elif line.startswith("[Ordinal/Name Pointer] Table"):
            section = "names"
        elif not line.strip():
            section = None if section == "names" else section
        elif section == "eat":
            m = re.match(r"\s*\[\s*(\d+)\] \+base\[\s*\d+\]\s+([0-9a-f]+) Export RVA", line)
            if m:
                rvas[int(m.group(1))] = int(m.group(2), 16)
        elif section == "names":
            m = re.match(r"\s*\[\s*(\d+)\] (\S+)", line)
            if m:
                names[m.group(2)] = int(m.group(1))
    return {name: rvas.get(index) for name, index in names.items()}


def image_base(headers):
    m = re.search(r"^ImageBase\s+([0-9a-f]+)", headers, re.M)
    return int(m.group(1), 16)


def imports(headers):
    return sorted({m.lower() for m in re.findall(r"DLL Name: (\S+)", headers)})


def stdcall_returns(arch, dll, headers, rva):
    """The return instructions of the function at rva: the whole symbol when
    the DLL keeps its symbols, else up to the first return."""
    start = image_base(headers) + rva
    listing = objdump(arch, "-d", f"--start-address=0x{start:x}",
                      f"--stop-address=0x{start + 0x2000:x}", dll)
    returns = []
    started = False
    for line in listing.splitlines():
        if re.match(r"^[0-9a-f]+ <", line):
            if started:
                break  # the next symbol starts
            continue
        started = started or re.match(r"^\s*[0-9a-f]+:\t", line) is not None
        m = re.search(r"\t(ret\S*)\s*(\S*)", line)
        if m:
            returns.append((m.group(1) + " " + m.group(2)).strip())
    return returns


class Image:
    """The parts of a PE file the delay-import check reads."""

    def __init__(self, path):
        self.data = open(path, "rb").read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        sections, optional_size = struct.unpack_from("<H12xH", self.data, pe + 6)
        optional = pe + 24
        self.wide = struct.unpack_from("<H", self.data, optional)[0] == 0x20B
        self.base = struct.unpack_from("<Q", self.data, optional + 24)[0] if self.wide \
            else struct.unpack_from("<I", self.data, optional + 28)[0]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            vsize, rva, raw_size, raw = struct.unpack_from("<IIII", self.data, at + 8)
            flags = struct.unpack_from("<I", self.data, at + 36)[0]
            self.sections.append((rva, max(vsize, raw_size), raw, raw_size, flags))

    def offset(self, rva):
        """The file offset of rva, or None outside the file's sections."""
        for start, size, raw, raw_size, _ in self.sections:
            if start <= rva < start + min(size, raw_size):
                return raw + rva - start
        return None

    def is_code(self, rva):
        return any(start <= rva < start + size and flags & 0x20000000
                   for start, size, _, _, flags in self.sections)

    def text(self, rva):
        at = self.offset(rva)
        return None if at is None else self.data[at:self.data.index(b"\0", at)]

    def pointer(self, rva):
        at = self.offset(rva)
        if at is None:
            return None
        return struct.unpack_from("<Q" if self.wide else "<I", self.data, at)[0]


def delay_imports(image):
    """{dll: [(function, slot value)]} for every delay-import record: eight
    32-bit fields, the first 1 (addresses as RVAs), then the RVAs of the DLL's
    name, its module handle, its address slots and its name table. MinGW's
    linker leaves the data directory of delay imports empty, so the records
    are found by their shape and a DLL name among those loaded at first use."""
    found = {}
    step = 8 if image.wide else 4
    for start, size, raw, raw_size, _ in image.sections:
        for at in range(raw, raw + raw_size - 32 + 1, 4):
            attrs, name, _, slots, names = struct.unpack_from("<5I", image.data, at)
            if attrs != 1 or image.offset(name) is None or image.offset(slots) is None:
                continue
            dll = (image.text(name) or b"").decode("latin-1").lower()
            if dll not in LOADED_AT_FIRST_USE or image.offset(names) is None:
                continue
            entries = []
            for i in range(0, 4096 * step, step):
                hint_name = image.pointer(names + i)
                if not hint_name:
                    break
                function = (image.text(hint_name + 2) or b"?").decode("latin-1")
                entries.append((function, image.pointer(slots + i)))
            found[dll] = entries
    return found


def unset_delay_slots(image):
    """The failures of the delay-import records: a DLL loaded at first use
    without a record, a slot whose address is not code of the image."""
    failures = []
    records = delay_imports(image)
    for dll in sorted(LOADED_AT_FIRST_USE - set(records)):
        failures.append(f"no delay-import record for {dll}")
    for dll, entries in sorted(records.items()):
        bad = [f for f, value in entries
               if not value or not image.is_code(value - image.base)]
        if bad:
            failures.append(f"delay-load slots of {dll} not set: {' '.join(bad)}")
    return failures, sum(len(e) for e in records.values())


def main():
    arch, dll = sys.argv[1], sys.argv[2]
    headers = objdump(arch, "-p", dll)
    failures = []

    exports = export_table(headers)
    if sorted(exports) != EXPORTS:
        failures.append(f"exports {sorted(exports)}, expected {EXPORTS}")

    found = imports(headers)
    foreign = [d for d in found if d not in SYSTEM_DLLS]
    if foreign:
        failures.append(f"imports at load time {foreign}")

    delay_failures, slots = unset_delay_slots(Image(dll))
    failures += delay_failures

    returns = []
    if arch == "i686" and exports.get("ConfigDSN") is not None:
        returns = stdcall_returns(arch, dll, headers, exports["ConfigDSN"])
        if not returns or any(r != "ret $0x10" for r in returns):
            failures.append(f"ConfigDSN returns with {returns or 'nothing found'}")

    summary = f"{dll.rsplit('/', 1)[-1]} ({arch}) exports: {' '.join(sorted(exports))}; " \
              f"imports: {' '.join(found)}; delay-load slots: {slots}"
    if returns:
        summary += f"; ConfigDSN: {len(returns)} x {returns[0]}"
    print(summary)
    for failure in failures:
        print(f"  FAILED: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
