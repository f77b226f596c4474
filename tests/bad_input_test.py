#!/usr/bin/env python3
"""Bad input corpus: broken, huge and odd exchange files through q836-batch.

Each file gives the result the tool prescribes, without a crash or a hang,
in memory proportional to its size; the same kinds of input at two sizes
take processor time in proportion to their size (the figures are printed).
No figure depends on how busy the machine is: the cost is compared between
two runs of the same test, and processor time, not wall time, is counted.
   bad_input_test.py Q836_BATCH [--no-bounds]
(--no-bounds for sanitizer builds, whose memory and time are not the product's)
"""
import filecmp, os, shutil, signal, subprocess, sys, tempfile

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


# A run that has not ended after this long hangs, however busy the machine.
HANG_SECONDS = 60
# The larger input of a pair is this many times the smaller one; its processor
# time may be at most SLACK times as many times larger. A linear pass gives
# less than SIZES (the start-up is paid once in each); a quadratic one, 16
# times more than that.
SIZES = 16
SLACK = 3


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


def measure(path, work):
    """Runs the batch runner on `path`: (exit status, peak KiB, processor seconds)."""
    report = os.path.join(work, "peak")
    child = subprocess.Popen([sys.executable, PEAK_RSS, report, BATCH, "--circles", "--radius",
                              "0.0001", path],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             start_new_session=True)
    try:
        code = child.wait(timeout=HANG_SECONDS)
    except subprocess.TimeoutExpired:
        os.killpg(child.pid, signal.SIGKILL)
        child.wait()
        return None, 0, 0.0
    with open(report) as f:
        peak_kb, seconds = f.read().split()
    return code, int(peak_kb), float(seconds)


def write_input(make, work):
    path = os.path.join(work, "JWC_TEMP.TXT")
    with open(path, "wb") as f:
        f.write(make())  # written and dropped: this process stays small, and a
    return path  # child's peak memory would count its parent's pages


def run(name, make, expected, work):
    path = write_input(make, work)
    size = os.path.getsize(path)
    shutil.copyfile(path, os.path.join(work, "input"))
    code, peak_kb, seconds = measure(path, work)
    problems = []
    if code is None:
        problems.append(f"still running after {HANG_SECONDS} s")
    elif code > 128:
        problems.append(f"killed by signal {code - 128}")
    elif expected == "fail":
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
    # Proportional memory: at most 64 MB plus 3 bytes per input byte.
    if BOUNDS and peak_kb * 1024 > 64e6 + 3 * size:
        problems.append(f"used {peak_kb / 1024:.0f} MB")
    print(f"{'FAIL' if problems else 'ok  '} {name}: {size / 1e6:.1f} MB, {seconds:.3f} s of "
          f"processor, peak {peak_kb / 1024:.1f} MB" +
          ("" if not problems else " — " + "; ".join(problems)))
    return not problems


# (name, input of about n bytes): kinds whose cost must grow linearly.
def scaling_cases():
    yield "blank lines", lambda n: b"\n" * n
    yield "only CR", lambda n: b"\r" * n
    yield "0xFF bytes", lambda n: b"\xff" * n
    yield "one long text line", lambda n: b'ch 1 2 1 0 "' + b"x" * n + CRLF
    yield "circles", lambda n: b"ci 1 2 0.00005\r\nci 3 4 7\r\n" * (n // 26)
    yield "texts", lambda n: b'ch 1 2 1 0 "\x82\xa0abc\r\n' * (n // 19)


def scales(name, make, work, small=1_000_000):
    """True when the input SIZES times larger costs at most SLACK * SIZES times the processor time."""
    times = []
    for n in (small, small * SIZES):
        code, _, seconds = measure(write_input(lambda: make(n), work), work)
        if code != 0:
            print(f"FAIL {name} at {n} bytes: exit status {code}")
            return False
        times.append(seconds)
    ratio = times[1] / max(times[0], 1e-3)
    ok = ratio <= SLACK * SIZES
    print(f"{'ok  ' if ok else 'FAIL'} {name}: {small / 1e6:g} MB in {times[0]:.3f} s, "
          f"{small * SIZES / 1e6:g} MB in {times[1]:.3f} s of processor: {ratio:.1f} times"
          + ("" if ok else f", more than {SLACK * SIZES}"))
    return ok


def main():
    work = tempfile.mkdtemp(prefix="q836-bad-")
    ok = all([run(name, make, expected, work) for name, make, expected in cases()])
    if BOUNDS:
        ok = all([scales(name, make, work) for name, make in scaling_cases()]) and ok
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
