#!/usr/bin/env python3
"""Packaging steps of a release, each giving the same bytes for the same
input: every file's time is SOURCE_DATE_EPOCH, zip entries are sorted.

  package.py stage BIN OUT          the shipped files of one build's bin/
  package.py zip DIR TOP OUT.zip    DIR's files under TOP/ in a zip
  package.py installer OUT.exe VERSION BIN32 BIN64
  package.py test-installer OUT.exe VERSION BIN64
                                    the installer for 64-bit Windows only,
                                    as a 64-bit program (for 64-bit Wine)
  package.py sums DIR FILE...       SHA256SUMS of the files, in DIR
"""
import hashlib
import os
import shutil
import subprocess
import sys
import zipfile

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
SHIPPED = ["qzifx06s.dll", "qzifx06R.dll", "dsnconfig.exe", "help"]
NSIS_SCRIPT = os.path.join(TOP, "src", "installer", "qzifx06.nsi")


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


def makensis(out, defines):
    """Builds the installer; makensis's full listing of what it compiled
    goes to OUT.log, which the installer's static check reads."""
    command = ["makensis", "-V4", "-NOCD", "-INPUTCHARSET", "UTF8"]
    command += ["-D%s=%s" % (name, value) for name, value in defines]
    command += ["-DOUTFILE=" + os.path.abspath(out), NSIS_SCRIPT]
    with open(out + ".log", "w") as log:
        if subprocess.run(command, stdout=log, stderr=subprocess.STDOUT).returncode != 0:
            sys.exit("package.py: makensis failed, see %s.log" % out)
    stamp = epoch()
    os.utime(out, (stamp, stamp))


def installer(out, version, bin32, bin64):
    makensis(out, [("VERSION", version), ("BIN32", os.path.abspath(bin32)),
                   ("BIN64", os.path.abspath(bin64))])


def test_installer(out, version, bin64):
    makensis(out, [("VERSION", version), ("BIN64", os.path.abspath(bin64)),
                   ("TARGET_AMD64", "1"), ("NO_X86_HALF", "1")])


def sums(folder, names):
    lines = []
    for name in sorted(names):
        with open(os.path.join(folder, name), "rb") as f:
            lines.append("%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), name))
    with open(os.path.join(folder, "SHA256SUMS"), "w", newline="\n") as f:
        f.writelines(lines)


def main(argv):
    steps = {"stage": (stage, 2), "zip": (make_zip, 3), "installer": (installer, 4),
             "test-installer": (test_installer, 3)}
    if len(argv) >= 2 and argv[0] == "sums":
        sums(argv[1], argv[2:])
        return 0
    if not argv or argv[0] not in steps or len(argv) - 1 != steps[argv[0]][1]:
        sys.exit(__doc__)
    steps[argv[0]][0](*argv[1:])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
