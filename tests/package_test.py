#!/usr/bin/env python3
"""The release zip as the host and Japanese users' unzip tools expect it.

   package_test.py EXE [EXE...]

Builds a zip with packaging/make_zip.py around each EXE and checks the stored
names (code page 932 bytes, no UTF-8 flag), that the batch file and the
read-me are Shift-JIS with CR LF, the batch file's first line, which the
host shows as the memo in its file chooser, and its directives.
"""
import os, shutil, subprocess, sys, tempfile, zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
problems = []


def check(ok, what):
    if not ok:
        problems.append(what)


def check_directives(bat):
    """The memo first; the directives before "#e", which ends them; selected
    block insertions kept out of the erase and of the file, and nothing else
    kept (kept figures stay under everything the file draws)."""
    check(bat[0] == "REM 円→点変換", f"first line of q836.bat is {bat[0]!r}")
    directives = [l[4:].split(" ")[0] for l in bat if l.startswith("REM #")]
    check(directives[-1:] == ["#e"], f"#e is not the last directive: {directives}")
    for needed in ("#jww", "#cd", "#zw", "#ht10"):
        check(needed in directives, f"q836.bat lacks {needed}")
    check(not [d for d in directives if d.startswith("#ht") and d != "#ht10"],
          f"q836.bat keeps more than block insertions: {directives}")
    first_other = next(i for i, l in enumerate(bat) if not l.startswith("REM "))
    check(bat[first_other].lower() == "@echo off",
          "the first command is not @echo off: the host's console would echo the rest")
    check(all(l.startswith("REM ") for l in bat[:first_other]) and
          not any(l.startswith("REM #") for l in bat[first_other:]),
          "a directive stands after the first command")


def main():
    for exe in sys.argv[1:]:
        check_zip(exe)
    for p in problems:
        print("FAIL:", p)
    if not problems:
        print(f"package checks passed for {len(sys.argv) - 1} zip(s)")
    sys.exit(1 if problems else 0)


def check_zip(exe):
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
        check_directives(bat)
        check(any(l.strip().lower().endswith("start /w q836.exe") for l in bat),
              "q836.bat does not wait for q836.exe")
        readme = z.read(stored[readme_name]).decode("cp932")
        check("9.8.7" in readme, "the read-me does not carry the version")
        check("ブロック図形" in readme and "表示のみレイヤ" in readme and "そのまま残ります" in readme,
              "the read-me does not explain block insertions")
        for section, what in (("■動作環境", "system requirements"), ("■アンインストール", "uninstalling"),
                              ("ブロックの解除", "unblocking a downloaded zip"),
                              ("数値として読めない", "unreadable values"), ("■バージョン", "the version"),
                              ("変換する半径の下限", "the lower radius limit"),
                              ("元の図形を残す(K)", "keeping the original figures")):
            check(section in readme, f"the read-me does not tell {what}")
    shutil.rmtree(work)


if __name__ == "__main__":
    main()
