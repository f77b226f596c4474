#!/usr/bin/env python3
"""The release zip as the host and Japanese users' unzip tools expect it.

   package_test.py EXE

Builds a zip with packaging/make_zip.py around EXE and checks the stored
names (code page 932 bytes, no UTF-8 flag), that the batch file and the
read-me are Shift-JIS with CR LF, and the batch file's first line, which the
host shows as the memo in its file chooser.
"""
import os, subprocess, sys, tempfile, zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
problems = []


def check(ok, what):
    if not ok:
        problems.append(what)


def main():
    exe = sys.argv[1]
    work = tempfile.mkdtemp(prefix="q836-package-")
    out = os.path.join(work, "q836.zip")
    subprocess.run([sys.executable, os.path.join(ROOT, "packaging", "make_zip.py"), exe, out,
                    "9.8.7"], check=True)
    with zipfile.ZipFile(out) as z:
        infos = z.infolist()
        # Without the UTF-8 flag zipfile decodes names as code page 437:
        # encoding them back gives the stored bytes.
        stored = {i.filename.encode("cp437") if not i.flag_bits & 0x800 else None: i
                  for i in infos}
        readme_name = "はじめにお読みください.txt".encode("cp932")
        for name in (b"q836.exe", b"q836.bat", readme_name):
            check(name in stored, f"no member stored as {name!r}")
        check(all(not i.flag_bits & 0x800 for i in infos), "a name carries the UTF-8 flag")
        check(len(infos) == 3, f"{len(infos)} members instead of 3")
        with open(exe, "rb") as f:
            check(z.read(stored[b"q836.exe"]) == f.read(), "q836.exe differs from the build")
        for name in (b"q836.bat", readme_name):
            data = z.read(stored[name])
            check(data.endswith(b"\r\n"), f"{name!r} does not end with CR LF")
            lines = data.split(b"\r\n")
            check(all(b"\r" not in l and b"\n" not in l for l in lines), f"{name!r}: a bare CR or LF")
            try:
                text = data.decode("cp932")
            except UnicodeDecodeError:
                problems.append(f"{name!r} is not Shift-JIS")
                continue
            check(any(ord(c) > 0x7F for c in text), f"{name!r} has no Japanese text")
            try:
                data.decode("utf-8")
                problems.append(f"{name!r} is UTF-8, not Shift-JIS")
            except UnicodeDecodeError:
                pass
        bat = z.read(stored[b"q836.bat"]).decode("cp932").split("\r\n")
        check(bat[0] == "REM 円→点変換", f"first line of q836.bat is {bat[0]!r}")
        check("REM #jww" in bat and "REM #e" in bat, "q836.bat lacks #jww or #e")
        check(any(l.strip().lower().endswith("start /w q836.exe") for l in bat),
              "q836.bat does not wait for q836.exe")
        readme = z.read(stored[readme_name]).decode("cp932")
        check("9.8.7" in readme, "the read-me does not carry the version")
        check("ブロック図形" in readme and "表示のみレイヤ" in readme,
              "the read-me does not explain block insertions")
    for p in problems:
        print("FAIL:", p)
    if not problems:
        print("package checks passed")
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
