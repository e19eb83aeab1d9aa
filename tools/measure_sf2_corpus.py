#!/usr/bin/env python3
"""Measures the tool on the soundfont corpus (tools/extract_sf2_corpus.py).

    python3 tools/measure_sf2_corpus.py CLI [CORPUS] [--jobs N] [--limit N]

CLI is a ringtide-cli binary, CORPUS the extractor's folder (corpus/sf2).
Prints four tables:

1. Pitch: the share of samples whose detected pitch (`info`) lies within
   50 / 10 / 3 cents of the pitch the maker's root key and correction imply.
   Then the same against the pitch the maker's loop implies (n whole
   periods in L frames: n * rate / L), which is as exact as the loop: a
   maker's root key and correction are often tuned by ear to 10 or 20 cents.
2. Automatic loop: the share where `search --select auto` gives a first
   solution that starts past the onset and is as good as the maker's loop by
   the junction mismatch below (ratio <= 1), with the shares within 2x and
   10x, the share the loop check calls clean, and the median ratio. Then
   the median length of the automatic first solutions and of the makers'
   loops, in periods of the maker's pitch and in milliseconds.
3. Loop check agreement: the share of the makers' loops the check calls
   clean, and the share of the same loops with the end moved by half a
   period (the length then holds a half period too many) it does not.

Junction mismatch of a forward loop (s, e), the frames s + 1 .. e, over the
frames k = -R .. R - 1 around the junction (R = two periods of the maker's
pitch, cut where the sound ends):
    m = sqrt(sum (x[e+1+k] - x[s+1+k])^2 / sum (x[e+1+k]^2 + x[s+1+k]^2) / 2)
What the loop plays on either side of the wrap against what the sound itself
plays there: 0 for a seamless loop, about 1.4 for unrelated waves, 2 for a
wave turned upside down. It is computed here, from the WAV, so that any two
builds of the tool are judged by one figure.

The onset ends where the level over 10 ms blocks first comes within 6 dB of
its peak; a loop starts past the onset when its start lies at or after it.
"""
import concurrent.futures as futures
import csv
import json
import math
import os
import struct
import subprocess
import sys
import tempfile


def read_wav(path):
    """(rate, samples, smpl loop offset in the file) of a mono 16-bit WAV."""
    with open(path, "rb") as f:
        data = f.read()
    at, rate, samples, loop_at = 12, 0, None, None
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        body = at + 8
        if cid == b"fmt ":
            rate = struct.unpack_from("<I", data, body + 4)[0]
        elif cid == b"data":
            samples = struct.unpack_from("<%dh" % (size // 2), data, body)
        elif cid == b"smpl":
            loop_at = body + 36 + 8
        at = body + size + (size & 1)
    return rate, samples, data, loop_at


def mismatch(x, s, e, radius):
    n = len(x)
    lo = max(-radius, -(s + 1))
    hi = min(radius, n - 1 - e)
    num = den = 0.0
    for k in range(lo, hi):
        a, b = x[e + 1 + k], x[s + 1 + k]
        num += (a - b) ** 2
        den += (a * a + b * b) / 2.0
    return math.sqrt(num / den) if den > 0 else (0.0 if num == 0 else float("inf"))


def onset_end(x, rate):
    block = max(1, rate // 100)
    levels = [sum(v * v for v in x[i:i + block]) / block for i in range(0, len(x) - block + 1, block)]
    if not levels:
        return 0
    peak = max(levels)
    for j, level in enumerate(levels):
        if level >= peak / 4.0:
            return j * block
    return 0


def run(cli, args):
    out = subprocess.run([cli] + args, capture_output=True, text=True)
    return [json.loads(line) for line in out.stdout.splitlines() if line.startswith("{")]


def cents(a, b):
    return 1200.0 * math.log2(a / b) if a > 0 and b > 0 else float("inf")


def share(flags):
    return 100.0 * sum(flags) / len(flags) if flags else 0.0


def measure_one(cli, folder, row, moved_dir):
    path = os.path.join(folder, row["file"])
    rate, x, data, loop_at = read_wav(path)
    expected = float(row["expected_hz"])
    period = rate / expected
    radius = max(8, int(round(2 * period)))
    s, e = int(row["loop_first"]) - 1, int(row["loop_last"])
    result = {"file": row["file"]}

    info = run(cli, ["info", path])
    pitch = info[0].get("pitch_hz") if info else None
    result["pitch_cents"] = cents(pitch, expected) if pitch else float("inf")
    # The pitch the maker's loop implies: a loop of L frames holding n whole
    # periods plays at n * rate / L. Taken only for loops of 20 periods and
    # more (n is then unambiguous for a reading within 40 cents) and for a
    # reading within 40 cents of the nearest whole n.
    length = e - s
    n = round(length * pitch / rate) if pitch else 0
    implied = n * rate / length if n >= 20 else 0.0
    result["loop_pitch_cents"] = cents(pitch, implied) if implied else None

    maker = mismatch(x, s, e, radius)
    result["maker_mismatch"] = maker
    result["maker_length"] = e - s
    result["rate"] = rate
    result["period"] = period
    found = run(cli, ["search", path, "--select", "auto"])
    sols = found[0].get("solutions", []) if found else []
    if sols:
        a, b = sols[0]["start"], sols[0]["end"]
        auto = mismatch(x, a, b, radius)
        result["auto_mismatch"] = auto
        result["auto_past_onset"] = a + 1 >= onset_end(x, rate)
        result["auto_clean"] = sols[0].get("check", {}).get("verdict") == "clean"
        result["auto_length"] = b - a
    else:
        result["auto_mismatch"] = float("inf")
        result["auto_past_onset"] = False
        result["auto_clean"] = False
        result["auto_length"] = None

    check = run(cli, ["check", path])
    result["maker_clean"] = bool(check) and check[0].get("verdict") == "clean"

    # The end moved by half a period, later when the sound has room, else earlier.
    half = int(round(period / 2))
    moved_last = e + half if e + half < len(x) - 1 else e - half
    moved = bytearray(data)
    struct.pack_into("<I", moved, loop_at + 4, moved_last)
    moved_path = os.path.join(moved_dir, row["file"])
    with open(moved_path, "wb") as f:
        f.write(moved)
    check = run(cli, ["check", moved_path])
    result["moved_clean"] = bool(check) and check[0].get("verdict") == "clean"
    os.remove(moved_path)
    return result


def main(argv):
    args = [a for a in argv[1:]]
    jobs, limit = 2, None
    if "--jobs" in args:
        i = args.index("--jobs")
        jobs = int(args[i + 1])
        del args[i:i + 2]
    if "--limit" in args:
        i = args.index("--limit")
        limit = int(args[i + 1])
        del args[i:i + 2]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    cli = os.path.abspath(args[0])
    folder = args[1] if len(args) > 1 else "corpus/sf2"
    with open(os.path.join(folder, "corpus.csv")) as f:
        rows = list(csv.DictReader(f))[:limit]
    with tempfile.TemporaryDirectory() as moved_dir, futures.ThreadPoolExecutor(jobs) as pool:
        results = list(pool.map(lambda r: measure_one(cli, folder, r, moved_dir), rows))

    n = len(results)
    pc = [abs(r["pitch_cents"]) for r in results]
    print("samples: %d (%s)" % (n, folder))
    print()
    print("| detected pitch within | 50 cents | 10 cents | 3 cents |")
    print("|---|---|---|---|")
    print("| share | %.1f %% | %.1f %% | %.1f %% |" % (share([c <= 50 for c in pc]), share([c <= 10 for c in pc]),
                                                   share([c <= 3 for c in pc])))
    print()
    lc = [abs(r["loop_pitch_cents"]) for r in results if r.get("loop_pitch_cents") is not None]
    lc = [c for c in lc if c <= 40]
    print("| detected pitch against the maker's loop (%d loops of 20 periods or more) | 10 cents | 5 cents | 3 cents |"
          % len(lc))
    print("|---|---|---|---|")
    print("| share | %.1f %% | %.1f %% | %.1f %% |" % (share([c <= 10 for c in lc]), share([c <= 5 for c in lc]),
                                                   share([c <= 3 for c in lc])))
    print()
    ratios = []
    for r in results:
        m, a = r["maker_mismatch"], r["auto_mismatch"]
        ratios.append(a / m if m > 0 else (1.0 if a == 0 else float("inf")))
    past = [r["auto_past_onset"] for r in results]
    within = lambda f: share([p and q <= f for p, q in zip(past, ratios)])
    ordered = sorted(ratios)
    print("| automatic loop past the onset, mismatch vs maker's | <= 1x | <= 2x | <= 10x | clean | median ratio |")
    print("|---|---|---|---|---|---|")
    print("| share | %.1f %% | %.1f %% | %.1f %% | %.1f %% | %.2f |" % (
        within(1.0), within(2.0), within(10.0), share([r["auto_clean"] for r in results]), ordered[n // 2]))
    print()
    def median(values):
        values = sorted(values)
        if not values:
            return float("nan")
        mid = len(values) // 2
        return values[mid] if len(values) % 2 else 0.5 * (values[mid - 1] + values[mid])
    print("| median loop length | periods | ms |")
    print("|---|---|---|")
    for label, key in (("automatic first solutions", "auto_length"), ("makers' loops", "maker_length")):
        have = [r for r in results if r.get(key)]
        print("| %s (%d) | %.1f | %.1f |" % (label, len(have), median([r[key] / r["period"] for r in have]),
                                           median([1000.0 * r[key] / r["rate"] for r in have])))
    print()
    print("| loop check | makers' loops called clean | end moved by half a period called not clean |")
    print("|---|---|---|")
    print("| agreement | %.1f %% | %.1f %% |" % (share([r["maker_clean"] for r in results]),
                                              share([not r["moved_clean"] for r in results])))
    with open(os.path.join(tempfile.gettempdir(), "measure_sf2_corpus.json"), "w") as f:
        json.dump(results, f)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
