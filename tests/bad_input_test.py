#!/usr/bin/env python3
"""Bad input corpus: broken, huge and odd exchange files through q836-batch.

Each file gives the result the tool prescribes, without a crash, in time and
memory proportional to its size (the figures are printed).
   bad_input_test.py Q836_BATCH [--no-bounds]
(--no-bounds for sanitizer builds, whose memory and time are not the product's)
"""
import filecmp, os, shutil, subprocess, sys, tempfile, time

BATCH = sys.argv[1]
BOUNDS = "--no-bounds" not in sys.argv[2:]
CRLF = b"\r\n"
TAIL = b"lg0\r\nly0\r\n"  # the closing layer lines of an empty write-back


def lines(*items):
    return b"".join(i + CRLF for i in items)


def text_of(n, across=False):
    """A text line whose text is n bytes; `across` puts a two-byte character over byte 255."""
    body = b"a" * (n - 2) + b"\x82\xa0" if not across else b"a" * 254 + b"\x82\xa0" + b"a" * (n - 256)
    return b'ch 1 2 1 0 "' + body


# Measures a child's peak memory without counting this process's pages.
PEAK_RSS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "peak_rss.py")


# (name, input bytes, expected output or None for "exit 1, input untouched")
def cases():
    """Each case makes its bytes only when it runs."""
    yield "empty", lambda: b"", b"hd\r\n" + TAIL
    yield "only 0x1A", lambda: b"\x1a" * 1000, b"hd\r\n" + TAIL
    yield "only CR", lambda: b"\r" * 1_000_000, b"hd\r\n" + TAIL
    yield "one 100 MB text line", lambda: b'ch 1 2 1 0 "' + b"x" * 100_000_000 + CRLF, None
    yield "10 million blank lines", lambda: b"\n" * 10_000_000, b"hd\r\n" + TAIL
    yield "0xFF bytes", lambda: b"\xff" * 10_000_000, b"hd\r\n" + TAIL
    yield "lone lead bytes at line ends", lambda: b'ch 1 2 1 0 "abc\x82\r\nci 0 0 1\x82\n\x9f\n', None
    few = [b"hk", b"hs 1", b"hzs 1", b"hcw 1", b"hn 1 2", b"hp5", b"ci 1 2", b"pt 1", b"BL 1 2",
           b"sl 1 2 3", b"sc 1 2 3", b"se 1", b"so 1", b"sg 1", b"ch 1 2 3 4"[0:9], b"lg", b"cn"]
    yield "keywords with too few words", lambda: lines(*few), None
    many = [k + b" 1" * 40 for k in (b"ci", b"pt", b"sl", b"sc", b"se", b"so", b"sg", b"BL", b"hn",
                                      b"hs", b"ch", b"lg1", b"lc3", b"z1")]
    yield "keywords with too many words", lambda: lines(*many), None
    yield "1e400", lambda: lines(b"ci 1 1 1", b"ci 1 1 1e400", b"ci 2 2 2"), "fail"
    yield "1e-400, -0, 00000000001, $FFFFFFFF", lambda: lines(
        b"lc$FFFFFFFF", b"ci 1e-400 -0 00000000001"), b"hd\r\nlg0\r\nly0\r\nlc-1\r\nlt1\r\nlw0\r\nci 0 0 1\r\n"
    for n in (255, 256, 300):
        for across in (False, True):
            yield f"text of {n} bytes{' (character across 255)' if across else ''}", (
                lambda n=n, across=across: lines(text_of(n, across))), None


def run(name, make, expected, work):
    path = os.path.join(work, "JWC_TEMP.TXT")
    with open(path, "wb") as f:
        f.write(make())  # written and dropped: this process stays small, and a
    size = os.path.getsize(path)  # child's peak memory would count its parent's pages
    shutil.copyfile(path, os.path.join(work, "input"))
    report = os.path.join(work, "peak")
    start = time.perf_counter()
    code = subprocess.run([sys.executable, PEAK_RSS, report, BATCH, "--circles", "--radius",
                           "0.0001", path],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    seconds = time.perf_counter() - start
    with open(report) as f:
        peak_kb = int(f.read())
    problems = []
    if code > 128:
        problems.append(f"killed by signal {code - 128}")
    if expected == "fail":
        if code != 1 or not filecmp.cmp(path, os.path.join(work, "input"), shallow=False):
            problems.append(f"expected exit 1 and the input untouched, got {code}")
    else:
        with open(path, "rb") as f:
            out = f.read()
        if code != 0:
            problems.append(f"exit status {code}")
        if expected is not None and out != expected:
            problems.append(f"output {out[:120]!r}")
        for line in out.split(CRLF):
            limit = 510 if line[:3] in (b"ch ", b"cs ") else 255
            if len(line) > limit:
                problems.append(f"a line of {len(line)} bytes")
            i = 0
            while i < len(line):
                lead = 0x80 <= line[i] <= 0x9F or 0xE0 <= line[i] <= 0xFD
                if lead and i + 1 == len(line):
                    problems.append("a line ending on a lone lead byte")
                i += 2 if lead else 1
        del out
    # Proportional: at most 1 s plus 1 s per 20 MB, and 64 MB plus 3 bytes per input byte.
    if BOUNDS and seconds > 1 + size / 20e6:
        problems.append(f"took {seconds:.2f} s")
    if BOUNDS and peak_kb * 1024 > 64e6 + 3 * size:
        problems.append(f"used {peak_kb / 1024:.0f} MB")
    print(f"{'FAIL' if problems else 'ok  '} {name}: {size / 1e6:.1f} MB in {seconds:.3f} s, "
          f"peak {peak_kb / 1024:.1f} MB" + ("" if not problems else " — " + "; ".join(problems)))
    return not problems


def main():
    work = tempfile.mkdtemp(prefix="q836-bad-")
    ok = all([run(name, make, expected, work) for name, make, expected in cases()])
    # Texts across the limit keep whole characters: 254 bytes, not a split pair.
    with open(os.path.join(work, "JWC_TEMP.TXT"), "wb") as f:
        f.write(lines(text_of(256, True)))
    subprocess.run([BATCH, os.path.join(work, "JWC_TEMP.TXT")], stderr=subprocess.DEVNULL, check=True)
    with open(os.path.join(work, "JWC_TEMP.TXT"), "rb") as f:
        if b'ch 1 2 1 0 "' + b"a" * 254 + CRLF not in f.read():
            print("FAIL: a text across the limit was not cut before its character")
            ok = False
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
