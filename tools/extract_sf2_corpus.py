#!/usr/bin/env python3
"""Extracts the looped melodic samples of SoundFont 2 banks into WAV files.

Each kept sample becomes a mono 16-bit WAV whose sampler ("smpl") chunk holds
the maker's loop and root key, and one line of the side file corpus.csv
describes it: file, bank, sample name, rate, frames, root key, pitch
correction (cents), the loop as the WAV holds it (first and last looped
frame) and the pitch the maker's root key and correction imply.

Run from the repository root (the output folder is kept out of git):
    python3 tools/extract_sf2_corpus.py [OUT] [BANK.sf2 ...]
OUT defaults to corpus/sf2; the banks default to the two Debian GM banks.

What is kept (the rest is counted by reason on stderr):
- a sample record of RAM type (mono, left or right; ROM samples and linked
  chains are skipped), with start < loop start < loop end <= end;
- used by at least one preset zone of a melodic program (bank != 128, the
  drum kits, and program below 112, the General MIDI percussive instruments
  and sound effects) through an instrument zone that loops it (sample mode 1
  or 3);
- a root key in 12..108 (255 and out-of-range keys mean "unpitched");
- at least 4096 frames (the shortest sound the pitch detector reads well)
  and a loop of at least two periods of the root pitch.
The root key is the instrument zone's overriding root key when one is set
(generator 58), else the sample record's; the correction is the record's.
The record's correction is the playback correction: a sample recorded c
cents flat carries +c, so the sound's own pitch is the root key's minus c
cents (`expected_hz`).
"""
import csv
import os
import struct
import sys

DEFAULT_BANKS = ["/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"]

GEN_INSTRUMENT = 41
GEN_SAMPLE_MODES = 54
GEN_SAMPLE_ID = 53
GEN_OVERRIDING_ROOT = 58

MIN_FRAMES = 4096
# General MIDI programs 113..128 (0-based 112..127) are percussive
# instruments and sound effects (agogo, taiko, helicopter, applause...).
FIRST_NON_MELODIC_PROGRAM = 112


def chunks(data, start, end):
    """(id, body offset, size) of the RIFF chunks in data[start:end]."""
    at = start
    while at + 8 <= end:
        cid = data[at:at + 4]
        size = struct.unpack_from("<I", data, at + 4)[0]
        yield cid, at + 8, size
        at += 8 + size + (size & 1)


def read_bank(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"sfbk":
        raise ValueError(path + " is not a SoundFont 2 bank")
    lists = {}
    for cid, body, size in chunks(data, 12, len(data)):
        if cid == b"LIST":
            lists[data[body:body + 4]] = (body + 4, body + size)
    smpl = None
    for cid, body, size in chunks(data, *lists[b"sdta"]):
        if cid == b"smpl":
            smpl = (body, size)
    pdta = {cid: data[body:body + size] for cid, body, size in chunks(data, *lists[b"pdta"])}
    return data, smpl, pdta


def records(blob, fmt):
    step = struct.calcsize(fmt)
    return [struct.unpack_from(fmt, blob, i) for i in range(0, len(blob) - step + 1, step)]


def zone_generators(bags, gens, first, last):
    """Per zone of bag indices first..last-1: {generator: amount (u16)}."""
    zones = []
    for b in range(first, last):
        g0, g1 = bags[b][0], bags[b + 1][0]
        zones.append({gens[g][0]: gens[g][1] for g in range(g0, g1)})
    return zones


def sample_uses(pdta):
    """sample id -> list of (melodic, loops, overriding root key or None)."""
    phdr = records(pdta[b"phdr"], "<20sHHHIII")
    pbag = records(pdta[b"pbag"], "<HH")
    pgen = records(pdta[b"pgen"], "<HH")
    inst = records(pdta[b"inst"], "<20sH")
    ibag = records(pdta[b"ibag"], "<HH")
    igen = records(pdta[b"igen"], "<HH")
    uses = {}
    for p in range(len(phdr) - 1):
        program, bank = phdr[p][1], phdr[p][2]
        melodic = bank != 128 and program < FIRST_NON_MELODIC_PROGRAM
        for zone in zone_generators(pbag, pgen, phdr[p][3], phdr[p + 1][3]):
            i = zone.get(GEN_INSTRUMENT)
            if i is None or i + 1 >= len(inst):
                continue
            izones = zone_generators(ibag, igen, inst[i][1], inst[i + 1][1])
            # A first zone without a sample is the instrument's global zone.
            defaults = izones[0] if izones and GEN_SAMPLE_ID not in izones[0] else {}
            for iz in izones:
                s = iz.get(GEN_SAMPLE_ID)
                if s is None:
                    continue
                mode = iz.get(GEN_SAMPLE_MODES, defaults.get(GEN_SAMPLE_MODES, 0)) & 3
                root = iz.get(GEN_OVERRIDING_ROOT, defaults.get(GEN_OVERRIDING_ROOT))
                if root is not None and root > 127:
                    root = None
                uses.setdefault(s, []).append((melodic, mode in (1, 3), root))
    return uses


def smpl_chunk(rate, root, first, last):
    period_ns = int(round(1e9 / rate))
    body = struct.pack("<9I", 0, 0, period_ns, root, 0, 0, 0, 1, 0)
    body += struct.pack("<6I", 0, 0, first, last, 0, 0)
    return b"smpl" + struct.pack("<I", len(body)) + body


def write_wav(path, rate, pcm, smpl):
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(pcm)) + pcm + smpl
    tmp = path + ".part"
    with open(tmp, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)
    os.replace(tmp, path)


def safe(name):
    return "".join(c if c.isalnum() or c in "-_" else "_" for c in name).strip("_") or "sample"


def extract(bank_path, out_dir, rows, skipped):
    data, smpl, pdta = read_bank(bank_path)
    uses = sample_uses(pdta)
    shdr = records(pdta[b"shdr"], "<20sIIIIIBbHH")
    tag = safe(os.path.splitext(os.path.basename(bank_path))[0])
    total_points = smpl[1] // 2
    for sid, (raw_name, start, end, loop_start, loop_end, rate, pitch, correction, _link, kind) in enumerate(shdr[:-1]):
        name = raw_name.split(b"\0")[0].decode("latin-1").strip()

        def skip(reason):
            skipped[reason] = skipped.get(reason, 0) + 1

        if kind & 0x8000 or (kind & 0x7FFF) not in (1, 2, 4):
            skip("ROM or linked sample")
            continue
        if not (start < loop_start < loop_end <= end <= total_points) or rate < 8000:
            skip("no usable loop")
            continue
        used = uses.get(sid, [])
        melodic = [u for u in used if u[0] and u[1]]
        if not melodic:
            skip("not looped by a melodic preset")
            continue
        roots = [u[2] for u in melodic if u[2] is not None]
        root = roots[0] if roots else pitch
        if not 12 <= root <= 108:
            skip("unpitched")
            continue
        frames = end - start
        expected_hz = 440.0 * 2.0 ** ((root - 69 - correction / 100.0) / 12.0)
        period = rate / expected_hz
        if frames < MIN_FRAMES or loop_end - loop_start < 2 * period:
            skip("too short")
            continue
        first, last = loop_start - start, loop_end - start - 1
        pcm = data[smpl[0] + 2 * start:smpl[0] + 2 * end]
        file_name = "%s_%04d_%s.wav" % (tag, sid, safe(name))
        write_wav(os.path.join(out_dir, file_name), rate, pcm, smpl_chunk(rate, root, first, last))
        rows.append({
            "file": file_name, "bank": tag, "name": name, "rate": rate, "frames": frames,
            "root_key": root, "correction_cents": correction, "loop_first": first, "loop_last": last,
            "expected_hz": "%.4f" % expected_hz,
        })


def main(argv):
    if any(a.startswith("-") for a in argv[1:]):
        print(__doc__, file=sys.stderr)
        return 0 if argv[1:] in (["-h"], ["--help"]) else 2
    out_dir = argv[1] if len(argv) > 1 else "corpus/sf2"
    banks = argv[2:] or DEFAULT_BANKS
    os.makedirs(out_dir, exist_ok=True)
    rows, skipped = [], {}
    for bank in banks:
        if not os.path.exists(bank):
            print("extract_sf2_corpus: %s is missing, skipped" % bank, file=sys.stderr)
            continue
        extract(bank, out_dir, rows, skipped)
    with open(os.path.join(out_dir, "corpus.csv"), "w", newline="") as f:
        fields = ["file", "bank", "name", "rate", "frames", "root_key", "correction_cents",
                  "loop_first", "loop_last", "expected_hz"]
        writer = csv.DictWriter(f, fieldnames=fields)
        writer.writeheader()
        writer.writerows(rows)
    print("extract_sf2_corpus: %d samples written to %s" % (len(rows), out_dir), file=sys.stderr)
    for reason, count in sorted(skipped.items()):
        print("  skipped, %s: %d" % (reason, count), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
