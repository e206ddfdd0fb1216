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
  them.

Prints one line per DLL and exits 1 when a check fails.
"""
import re
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

    returns = []
    if arch == "i686" and exports.get("ConfigDSN") is not None:
        returns = stdcall_returns(arch, dll, headers, exports["ConfigDSN"])
        if not returns or any(r != "ret $0x10" for r in returns):
            failures.append(f"ConfigDSN returns with {returns or 'nothing found'}")

    summary = f"{dll.rsplit('/', 1)[-1]} ({arch}) exports: {' '.join(sorted(exports))}; " \
              f"imports: {' '.join(found)}"
    if returns:
        summary += f"; ConfigDSN: {len(returns)} x {returns[0]}"
    print(summary)
    for failure in failures:
        print(f"  FAILED: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
