#!/usr/bin/env python3
"""The release as a user downloads it: scripts/package writes Pelmora-VERSION.zip and its checksum;
the zip holds one folder Pelmora-VERSION/ with the stripped 32-bit Windows GUI program, whose version
resource is the zip's VERSION and which is under 1 MiB, and the user guide in code page 932 with
CR LF. A second run on the same commit writes the same zip, byte for byte.

Usage: package_test.py SOURCE_DIR BUILD_DIR
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import time
import zipfile

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def check_program(exe, version):
    check(len(exe) < 1 << 20, f"Pelmora.exe is {len(exe)} bytes, not under 1 MiB")
    if not check(exe[:2] == b"MZ", "Pelmora.exe is no DOS/PE file"):
        return
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    if not check(exe[pe:pe + 4] == b"PE\0\0", "Pelmora.exe has no PE header"):
        return
    machine, _, _, _, symbol_count = struct.unpack_from("<HHIII", exe, pe + 4)
    check(machine == 0x14C, f"machine {machine:#x} is not i386")
    optional = pe + 24
    check(struct.unpack_from("<H", exe, optional)[0] == 0x10B, "not a 32-bit (PE32) image")
    check(struct.unpack_from("<H", exe, optional + 68)[0] == 2, "subsystem is not the Windows GUI")
    # What strip leaves of the symbol table is the names of long section names, no symbol.
    check(symbol_count == 0, "not stripped: the program still has symbols")
    # VS_FIXEDFILEINFO: signature, structure version, file version (most and least significant).
    fixed = exe.find(struct.pack("<I", 0xFEEF04BD))
    if check(fixed >= 0, "no version resource"):
        most, least = struct.unpack_from("<II", exe, fixed + 8)
        check((most >> 16, most & 0xFFFF, least >> 16) == version,
              f"version resource {most >> 16}.{most & 0xFFFF}.{least >> 16} is not the zip's {version}")


def package(source, build):
    """Runs scripts/package; the path of the zip it wrote, or None."""
    run = subprocess.run([os.path.join(source, "scripts", "package")], env=dict(os.environ, BUILD_DIR=build),
                         capture_output=True, text=True)
    if not check(run.returncode == 0, f"scripts/package failed:\n{run.stderr}"):
        return None
    return run.stdout.strip().splitlines()[-1]


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main():
    source, build = sys.argv[1], os.path.abspath(sys.argv[2])
    path = package(source, build)
    if path is None:
        return
    name = os.path.basename(path)
    match = re.fullmatch(r"Pelmora-(\d+)\.(\d+)\.(\d+)\.zip", name)
    if not check(match and os.path.dirname(path) == os.path.join(build, "dist"), f"unexpected release {path}"):
        return
    digest = sha256(path)
    with open(path + ".sha256") as f:
        check(f.read() == f"{digest}  {name}\n", "the .sha256 file does not hold the zip's checksum")
    folder = name.removesuffix(".zip")
    with zipfile.ZipFile(path) as release:
        check(sorted(release.namelist()) == [f"{folder}/Pelmora.exe", f"{folder}/Readme.txt"],
              f"zip holds {release.namelist()}")
        check_program(release.read(f"{folder}/Pelmora.exe"), tuple(int(part) for part in match.groups()))
        readme = release.read(f"{folder}/Readme.txt")
        check(readme.count(b"\n") > 0 and readme.count(b"\n") == readme.count(b"\r\n"), "Readme.txt lines are not CR LF")
        with open(os.path.join(source, "app", "Readme.txt"), encoding="utf-8") as f:
            first = f.readline().rstrip("\n")
        check(readme.startswith(first.encode("cp932") + b"\r\n"), "Readme.txt is not the guide in code page 932")
    # Seconds later, so that a time of packaging in the zip or the program would show.
    time.sleep(2)
    again = package(source, build)
    if again is not None:
        check(again == path and sha256(again) == digest, "a second run on the same commit wrote another zip")


main()
for failure in failures:
    print("FAILED:", failure)
print("package:", "failed" if failures else "ok")
sys.exit(1 if failures else 0)
