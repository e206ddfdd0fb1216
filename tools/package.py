#!/usr/bin/env python3
"""Packaging steps of a release, each giving the same bytes for the same
input: every file's time is SOURCE_DATE_EPOCH, zip entries are sorted.

  package.py stage BIN OUT          the shipped files of one build's bin/
  package.py zip DIR TOP OUT.zip    DIR's files under TOP/ in a zip
  package.py installer OUT.exe VERSION BIN32 BIN64
  package.py test-installer OUT.exe VERSION BIN64
                                    the installer for 64-bit Windows only,
                                    as a 64-bit program (for 64-bit Wine)
  package.py msi OUT.msi VERSION ARCH DIR
                                    the Windows Installer package of one
                                    architecture (x86 or x64) from DIR
  package.py sign KEY CERT FILE...  Authenticode signatures, in place
  package.py release OUT VERSION DIR32 DIR64 [KEY CERT]
                                    every artefact of a release from the
                                    staged folders, with SHA256SUMS; with
                                    KEY and CERT every program file in
                                    them, the installer with its
                                    uninstaller and plugins, and the MSIs
                                    signed
  package.py sums DIR FILE...       SHA256SUMS of the files, in DIR
"""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import uuid
import zipfile

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
SHIPPED = ["qzifx06s.dll", "qzifx06R.dll", "dsnconfig.exe", "help"]
NSIS_SCRIPT = os.path.join(TOP, "src", "installer", "qzifx06.nsi")
NSIS_PLUGINS = "/usr/share/nsis/Plugins/x86-unicode"
WIX_SOURCE = os.path.join(TOP, "src", "installer", "qzifx06.wxs")
# Windows Installer finds the older versions that an MSI replaces by its
# upgrade code: fixed for as long as the product is, one per architecture
# since both may be installed on one machine.
UPGRADE_CODES = {"x86": "174CC10B-2D9D-4943-8E0C-41229DD3F372",
                 "x64": "27C3AACF-D1B3-49D9-B1A0-9344E9CB509D"}
# Custom action types that wixl 0.101 writes wrong: it makes rollback
# actions immediate ones, and marks an action that sets a property as one
# run as the system account.
ACTION_TYPES = {"RegisterDriverRollback": 3410,  # file's program, rollback, system, ignore status
                "UnregisterDriverRollback": 3410,
                "UseRecordedInstallDir": 51}     # sets a property
# Product and package codes are name-based in this namespace: a version has
# one product code on every machine, and the same commit gives the same
# bytes.
CODE_NAMESPACE = uuid.UUID("9F7A1DE5-535A-4457-BE31-4CF45B2842C7")


def epoch():
    value = os.environ.get("SOURCE_DATE_EPOCH")
    if not value:
        sys.exit("package.py: SOURCE_DATE_EPOCH is not set")
    return int(value)


def files_under(folder):
    """Every file below folder, as sorted relative paths with '/'."""
    found = []
    for root, dirs, names in os.walk(folder):
        dirs.sort()
        for name in names:
            found.append(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    return sorted(found)


def fix_times(folder):
    stamp = epoch()
    for root, dirs, names in os.walk(folder):
        for name in dirs + names:
            os.utime(os.path.join(root, name), (stamp, stamp))
    os.utime(folder, (stamp, stamp))


def stage(bin_dir, out):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    for name in SHIPPED:
        source = os.path.join(bin_dir, name)
        if os.path.isdir(source):
            shutil.copytree(source, os.path.join(out, name))
        else:
            shutil.copyfile(source, os.path.join(out, name))
    fix_times(out)


def make_zip(folder, top, out):
    stamp = epoch()
    # Zip times are local broken-down times from 1980 on; UTC keeps them
    # the same on every machine.
    import time
    when = time.gmtime(max(stamp, 315532800))[:6]
    with zipfile.ZipFile(out + ".tmp", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for path in files_under(folder):
            info = zipfile.ZipInfo(top + "/" + path, date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            info.create_system = 0
            with open(os.path.join(folder, path), "rb") as f:
                archive.writestr(info, f.read())
    os.replace(out + ".tmp", out)


def makensis(out, defines, options=()):
    """Builds the installer; makensis's full listing of what it compiled
    goes to OUT.log, which the installer's static check reads."""
    command = ["makensis", "-V4", "-NOCD", "-INPUTCHARSET", "UTF8"] + list(options)
    command += ["-D%s=%s" % (name, value) for name, value in defines]
    command += ["-DOUTFILE=" + os.path.abspath(out), NSIS_SCRIPT]
    with open(out + ".log", "w") as log:
        if subprocess.run(command, stdout=log, stderr=subprocess.STDOUT).returncode != 0:
            sys.exit("package.py: makensis failed, see %s.log" % out)
    stamp = epoch()
    os.utime(out, (stamp, stamp))


def installer(out, version, bin32, bin64, key=None, cert=None):
    defines = [("VERSION", version), ("BIN32", os.path.abspath(bin32)),
               ("BIN64", os.path.abspath(bin64))]
    if not key:
        makensis(out, defines)
        return
    with tempfile.TemporaryDirectory() as work:
        makensis(out, defines + makensis_signing(key, cert), signed_plugins(key, cert, work))


def test_installer(out, version, bin64):
    makensis(out, [("VERSION", version), ("BIN64", os.path.abspath(bin64)),
                   ("TARGET_AMD64", "1"), ("NO_X86_HALF", "1")])


def makensis_signing(key, cert):
    """makensis defines that have the uninstaller signed before it is packed
    into the installer: it can't be signed once it is inside."""
    command = " ".join('"%s"' % word for word in
                       (sys.executable, os.path.abspath(__file__), "sign",
                        os.path.abspath(key), os.path.abspath(cert)))
    return [("SIGN_UNINSTALLER", command)]


def signed_plugins(key, cert, work):
    """makensis options that put signed copies of NSIS's plugins (Debian's
    files) into the installer, which unpacks and loads them while it runs:
    a folder added later is searched first."""
    plugins = os.path.join(work, "x86-unicode")
    shutil.copytree(NSIS_PLUGINS, plugins)
    sign(key, cert, *[os.path.join(plugins, name) for name in sorted(os.listdir(plugins))])
    return ['-X!addplugindir /x86-unicode "%s"' % plugins]


def help_fragment(folder, win64):
    """The help folder's files as a WiX fragment: its directories under
    INSTALLDIR and one component per file, all in the group HelpFiles."""
    def ident(prefix, path):
        return prefix + "".join(c if c.isalnum() or c == "." else "_" for c in path)

    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi"><Fragment>',
             '<DirectoryRef Id="INSTALLDIR">']
    components = []
    opened = []
    for path in ["help/" + p for p in files_under(os.path.join(folder, "help"))]:
        parts = path.split("/")[:-1]
        while opened and opened != parts[:len(opened)]:
            lines.append("</Directory>")
            opened.pop()
        while len(opened) < len(parts):
            opened.append(parts[len(opened)])
            lines.append('<Directory Id="%s" Name="%s">'
                         % (ident("dir_", "/".join(opened)), opened[-1]))
        # A relative source: wixl finds sources in its working directory only.
        components.append(ident("c_", path))
        lines.append('<Component Id="%s" Guid="*" Win64="%s"><File Id="%s" Source="%s" KeyPath="yes"/>'
                     '</Component>' % (components[-1], win64, ident("f_", path), path))
    if len(set(components)) != len(components):
        sys.exit("package.py: help file names that differ only in punctuation")
    lines += ["</Directory>"] * len(opened)
    lines += ['</DirectoryRef>', '<ComponentGroup Id="HelpFiles">']
    lines += ['<ComponentRef Id="%s"/>' % c for c in components]
    lines += ['</ComponentGroup>', '</Fragment></Wix>', '']
    return "\n".join(lines)


def compound_file_stream(data, wanted):
    """Where a stream of a compound file (an MSI) lies: the file offsets and
    lengths of its sectors in order, and its length."""
    def u16(buffer, at):
        return struct.unpack_from("<H", buffer, at)[0]

    def u32(buffer, at):
        return struct.unpack_from("<I", buffer, at)[0]

    def chain(start, table):
        found = []
        while start < 0xFFFFFFFA:
            found.append(start)
            start = table[start]
        return found

    size = 1 << u16(data, 0x1E)
    mini_size = 1 << u16(data, 0x20)
    per_sector = size // 4

    def sector(number):
        return (number + 1) * size

    # The allocation table's own sectors: 109 listed in the header, the
    # rest in a chain of list sectors.
    fat_sectors = [u32(data, 0x4C + 4 * i) for i in range(109)]
    listed = u32(data, 0x44)
    while listed < 0xFFFFFFFA:
        fat_sectors += [u32(data, sector(listed) + 4 * i) for i in range(per_sector - 1)]
        listed = u32(data, sector(listed) + size - 4)
    fat = []
    for number in fat_sectors[:u32(data, 0x2C)]:
        fat += struct.unpack_from("<%dI" % per_sector, data, sector(number))
    directory = b"".join(data[sector(n):sector(n) + size] for n in chain(u32(data, 0x30), fat))
    mini_fat = []
    for number in chain(u32(data, 0x3C), fat):
        mini_fat += struct.unpack_from("<%dI" % per_sector, data, sector(number))
    # Streams shorter than the cutoff are kept in the root entry's stream,
    # in small sectors of their own.
    container = chain(u32(directory, 0x74), fat)
    for at in range(0, len(directory), 128):
        name = directory[at:at + max(u16(directory, at + 0x40) - 2, 0)].decode("utf-16-le")
        if name != wanted:
            continue
        start, length = u32(directory, at + 0x74), u32(directory, at + 0x78)
        if length >= u32(data, 0x38):
            return [(sector(n), size) for n in chain(start, fat)], length
        runs = []
        for number in chain(start, mini_fat):
            offset = number * mini_size
            runs.append((sector(container[offset // size]) + offset % size, mini_size))
        return runs, length
    sys.exit("package.py: no stream %r" % wanted)


def set_msi_summary(path, package_code, stamp):
    """Gives an MSI's summary information the package code and times of
    the release: wixl writes a random code and the time of the build."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    runs, length = compound_file_stream(data, "\x05SummaryInformation")
    stream = bytearray(b"".join(data[at:at + n] for at, n in runs)[:length])
    section = struct.unpack_from("<I", stream, 44)[0]
    filetime = (stamp + 11644473600) * 10000000
    code = ("{%s}" % package_code).upper().encode("ascii") + b"\0"
    wanted = {9, 12, 13}  # revision number (the package code), created, last saved
    for i in range(struct.unpack_from("<I", stream, section + 4)[0]):
        pid, offset = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        at = section + offset
        kind = struct.unpack_from("<I", stream, at)[0]
        if pid in (12, 13) and kind == 64:  # VT_FILETIME
            struct.pack_into("<Q", stream, at + 4, filetime)
        elif pid == 9 and kind == 30 and struct.unpack_from("<I", stream, at + 4)[0] == len(code):
            stream[at + 8:at + 8 + len(code)] = code
        else:
            continue
        wanted.discard(pid)
    if wanted:
        sys.exit("package.py: %s: summary properties %s not as expected" % (path, sorted(wanted)))
    done = 0
    for at, n in runs:
        piece = stream[done:done + n]
        data[at:at + len(piece)] = piece
        done += n
    with open(path, "wb") as f:
        f.write(data)


def msi(out, version, arch, folder):
    """Builds the MSI of one architecture with wixl from the staged folder,
    then sets what wixl can't: the secure properties, the custom action
    types it gets wrong, and the package code and times."""
    if arch not in UPGRADE_CODES:
        sys.exit("package.py: architecture %s is neither x86 nor x64" % arch)
    product_code = uuid.uuid5(CODE_NAMESPACE, "product %s %s" % (arch, version))
    package_code = uuid.uuid5(CODE_NAMESPACE, "package %s %s %d" % (arch, version, epoch()))
    with tempfile.TemporaryDirectory() as work:
        fragment = os.path.join(work, "help.wxs")
        with open(fragment, "w", encoding="utf-8") as f:
            f.write(help_fragment(folder, "yes" if arch == "x64" else "no"))
        command = ["wixl", "-a", arch, "-o", os.path.abspath(out) + ".tmp",
                   "-D", "Version=" + version, "-D", "Arch=" + arch,
                   "-D", "ProductCode=%s" % str(product_code).upper(),
                   "-D", "UpgradeCode=" + UPGRADE_CODES[arch], WIX_SOURCE, fragment]
        if subprocess.run(command, cwd=folder).returncode != 0:
            sys.exit("package.py: wixl failed for %s" % out)
    # Properties given on the command line reach the installation script
    # only when they are secure (an installation by a user who is no
    # administrator, through policy).
    queries = ["UPDATE `Property` SET `Value` = 'INSTALLDIR;DSNFILE;WIX_DOWNGRADE_DETECTED;"
               "WIX_UPGRADE_DETECTED' WHERE `Property` = 'SecureCustomProperties'"]
    queries += ["UPDATE `CustomAction` SET `Type` = %d WHERE `Action` = '%s'" % (kind, action)
                for action, kind in sorted(ACTION_TYPES.items())]
    command = ["msibuild", out + ".tmp"]
    for query in queries:
        command += ["-q", query]
    if subprocess.run(command).returncode != 0:
        sys.exit("package.py: msibuild failed for %s" % out)
    set_msi_summary(out + ".tmp", package_code, epoch())
    os.replace(out + ".tmp", out)
    os.utime(out, (epoch(), epoch()))


def is_program(path):
    with open(path, "rb") as f:
        return f.read(2) == b"MZ"


def sign(key, cert, *paths):
    """Signs each file in place. The signing time is SOURCE_DATE_EPOCH and
    there is no countersigned time stamp, so that the same key signs the
    same bytes the same way; a time stamp can be added afterwards
    (osslsigncode add -t URL) on the machine that publishes the release."""
    for path in paths:
        command = ["osslsigncode", "sign", "-certs", cert, "-key", key, "-h", "sha256",
                   "-n", "Informix ODBC Driver setup library", "-time", str(epoch()),
                   "-in", path, "-out", path + ".signed"]
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if result.returncode != 0:
            sys.stdout.write(result.stdout.decode(errors="replace"))
            sys.exit("package.py: can't sign %s" % path)
        os.replace(path + ".signed", path)
        os.utime(path, (epoch(), epoch()))


def release(out, version, folder32, folder64, key=None, cert=None):
    name = "qzifx06-" + version
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    folders = {"win32": folder32, "win64": folder64}
    if key:
        for kind in folders:
            signed = os.path.join(out + ".stage", kind)
            shutil.rmtree(signed, ignore_errors=True)
            shutil.copytree(folders[kind], signed)
            sign(key, cert, *[os.path.join(signed, p) for p in files_under(signed)
                              if is_program(os.path.join(signed, p))])
            fix_times(signed)
            folders[kind] = signed
    artefacts = {name + "-win32.zip": lambda path: make_zip(folders["win32"], name + "-win32", path),
                 name + "-win64.zip": lambda path: make_zip(folders["win64"], name + "-win64", path),
                 name + "-setup.exe": lambda path: installer(path, version, folders["win32"],
                                                             folders["win64"], key, cert),
                 name + "-x86.msi": lambda path: msi(path, version, "x86", folders["win32"]),
                 name + "-x64.msi": lambda path: msi(path, version, "x64", folders["win64"])}
    for artefact, build in artefacts.items():
        path = os.path.join(out, artefact)
        build(path)
        if key and not artefact.endswith(".zip"):
            sign(key, cert, path)
    if key:
        shutil.rmtree(out + ".stage")
    # makensis's listing stays beside the release, not in it.
    os.replace(os.path.join(out, name + "-setup.exe.log"), out + ".setup.log")
    sums(out, list(artefacts))


def sums(folder, names):
    lines = []
    for name in sorted(names):
        with open(os.path.join(folder, name), "rb") as f:
            lines.append("%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), name))
    with open(os.path.join(folder, "SHA256SUMS"), "w", newline="\n") as f:
        f.writelines(lines)


def main(argv):
    steps = {"stage": (stage, 2), "zip": (make_zip, 3), "installer": (installer, 4),
             "test-installer": (test_installer, 3), "msi": (msi, 4)}
    if len(argv) >= 2 and argv[0] == "sums":
        sums(argv[1], argv[2:])
        return 0
    if len(argv) >= 4 and argv[0] == "sign":
        sign(*argv[1:])
        return 0
    if argv[:1] == ["release"] and len(argv) in (5, 7):
        release(*argv[1:])
        return 0
    if not argv or argv[0] not in steps or len(argv) - 1 != steps[argv[0]][1]:
        sys.exit(__doc__)
    steps[argv[0]][0](*argv[1:])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
