#!/usr/bin/env python3
"""Writes the seeds of the load-path fuzzer: the wide formats the loader takes
(24- and 32-bit integer, 32- and 64-bit float with NaN and infinities,
extensible headers) and files long enough for the mixing dialog's reader;
with --chunks, the chunk tables a file kept whole can carry, sound and broken
(chunks past the end, counts that do not fit, marks outside the sound,
labels of missing cue points, duplicates, truncations).
Run from the repository root:
    python3 tools/make_fuzz_seeds.py fuzz/seeds/load
    python3 tools/make_fuzz_seeds.py --chunks fuzz/seeds/chunks
"""
import math
import os
import struct
import sys

PCM_GUID_TAIL = bytes.fromhex("000000001000800000aa00389b71")


def sampler(start, end):
    return b"smpl" + struct.pack("<I9I6I", 60, 0, 0, 22675, 60, 0, 0, 0, 1, 0,
                                 0, 0, start, end, 0, 0)


def samples(frames, channels, bits, is_float):
    out = bytearray()
    for i in range(frames):
        for c in range(channels):
            v = 0.6 * math.sin(2 * math.pi * 441.0 * i / 44100 + c)
            if is_float:
                if i == 7:
                    v = float("nan")
                elif i == 11:
                    v = float("inf") if c == 0 else float("-inf")
                elif i == 13:
                    v = 3.5  # beyond full scale
                out += struct.pack("<f" if bits == 32 else "<d", v)
            else:
                q = int(round(v * (2 ** (bits - 1) - 1)))
                out += q.to_bytes(bits // 8, "little", signed=True)
    return bytes(out)


def wav(channels, bits, frames, is_float=False, extensible=False, loop=None, valid_bits=None):
    align = channels * bits // 8
    tag = 0xFFFE if extensible else (3 if is_float else 1)
    fmt = struct.pack("<HHIIHH", tag, channels, 44100, 44100 * align, align, bits)
    if extensible:
        sub = struct.pack("<H", 3 if is_float else 1) + PCM_GUID_TAIL
        fmt += struct.pack("<HHI", 22, valid_bits or bits, 3 if channels == 2 else 4) + sub
    data = samples(frames, channels, bits, is_float)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    if len(data) % 2:
        body += b"\0"
    if loop:
        body += sampler(*loop)
    return b"RIFF" + struct.pack("<I", len(body)) + body


SEEDS = {
    "pcm24_stereo_loop.wav": wav(2, 24, 300, loop=(100, 299)),
    "pcm32_mono.wav": wav(1, 32, 200),
    "float32_nan_inf.wav": wav(1, 32, 200, is_float=True),
    "float64_stereo_nan.wav": wav(2, 64, 150, is_float=True, loop=(10, 140)),
    "extensible_pcm24_valid20.wav": wav(2, 24, 200, extensible=True, valid_bits=20),
    "extensible_float32.wav": wav(1, 32, 200, is_float=True, extensible=True),
    "extensible_pcm16_mix_length.wav": wav(2, 16, 1500, extensible=True),
    "pcm16_mono_mix_length.wav": wav(1, 16, 1400, loop=(200, 1300)),
    "pcm24_mono_mix_length.wav": wav(1, 24, 1400),
}

def chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def smpl_body(loops, count=None, extra=b""):
    body = struct.pack("<9I", 0x01000047, 7, 22676, 60, 0, 0, 0,
                       len(loops) if count is None else count, len(extra))
    for cue_id, kind, start, end, play in loops:
        body += struct.pack("<6I", cue_id, kind, start, end, 0, play)
    return body + extra


def cue_body(points, count=None):
    body = struct.pack("<I", len(points) if count is None else count)
    for ident, frame in points:
        body += struct.pack("<II4sIII", ident, ident, b"data", 0, 0, frame)
    return body


def adtl_body(labels):
    body = b"adtl"
    for ident, text in labels:
        body += chunk(b"labl", struct.pack("<I", ident) + text + b"\0")
    return body


LOOPS = [(0, 0, 100, 300, 0), (0, 1, 20, 80, 2), (0, 2, 310, 390, 0)]
CUES = [(1, 50), (2, 350)]
LABELS = [(1, b"attack"), (2, b"release")]


def riff(*chunks, riff_size=None):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) if riff_size is None else riff_size) + body


def fmt16(channels=1):
    return chunk(b"fmt ", struct.pack("<HHIIHH", 1, channels, 44100, 44100 * 2 * channels, 2 * channels, 16))


def data16(frames=400):
    return chunk(b"data", samples(frames, 1, 16, False))


def info():
    return chunk(b"LIST", b"INFO" + chunk(b"INAM", b"Organ C4\0") + chunk(b"ICOP", b"CC-BY"))


def whole():
    return riff(fmt16(), info(), chunk(b"bext", bytes(603)), chunk(b"iXML", b"<BWFXML/>"), data16(),
                chunk(b"inst", bytes([60, 0, 0, 0, 127, 1, 127])), chunk(b"acid", bytes(24)),
                chunk(b"cue ", cue_body(CUES)), chunk(b"LIST", adtl_body(LABELS)), chunk(b"smpl", smpl_body(LOOPS)))


def chunk_seeds():
    w = whole()
    past = riff(fmt16(), data16(), b"junk" + struct.pack("<I", 100000) + bytes(40))
    no_pad = riff(fmt16(), b"odd " + struct.pack("<I", 3) + b"abc", data16())
    wide = riff(chunk(b"fmt ", struct.pack("<HHIIHH", 1, 2, 48000, 48000 * 6, 6, 24)), info(),
                chunk(b"data", samples(256, 2, 24, False)), chunk(b"smpl", smpl_body([(0, 0, 10, 200, 0)])))
    return {
        "whole.wav": w,
        "chunk-past-end.wav": past,
        "list-past-end-before-data.wav": riff(fmt16(), b"LIST" + struct.pack("<I", 900000) + b"INFO", data16()),
        "cue-count-too-big.wav": riff(fmt16(), data16(), chunk(b"cue ", cue_body(CUES[:1], count=1 << 29))),
        "cue-without-data.wav": riff(fmt16(), chunk(b"cue ", cue_body(CUES))),
        "cues-outside-sound.wav": riff(fmt16(), data16(), chunk(b"cue ", cue_body([(1, 400), (2, 0xFFFFFFFF)]))),
        "labels-for-missing-cues.wav": riff(fmt16(), data16(), chunk(b"LIST", adtl_body(LABELS))),
        "adtl-entry-past-list.wav": riff(fmt16(), data16(), chunk(b"cue ", cue_body(CUES)),
                                         chunk(b"LIST", b"adtl" + b"labl" + struct.pack("<II", 5000, 1))),
        "odd-chunk-no-pad.wav": no_pad,
        "riff-size-huge.wav": w[:4] + struct.pack("<I", 0xFFFFFFF0) + w[8:],
        "riff-size-short.wav": w[:4] + struct.pack("<I", 30) + w[8:],
        "smpl-loop-count-too-big.wav": riff(fmt16(), data16(), chunk(b"smpl", smpl_body(LOOPS[:1], count=1 << 28))),
        "smpl-loop-count-zero-with-records.wav": riff(fmt16(), data16(), chunk(b"smpl", smpl_body(LOOPS, count=0))),
        "smpl-loops-outside-sound.wav": riff(fmt16(), data16(), chunk(b"smpl", smpl_body(
            [(0, 0, 100, 400, 0), (0, 1, 300, 200, 0), (0, 7, 10, 20, 0)]))),
        "smpl-sampler-data-too-big.wav": riff(fmt16(), data16(), chunk(b"smpl", smpl_body(LOOPS)[:32] +
                                                                       struct.pack("<I", 1 << 30) + smpl_body(LOOPS)[36:])),
        "smpl-truncated-in-record.wav": riff(fmt16(), data16(), chunk(b"smpl", smpl_body(LOOPS)))[:-20],
        "truncated-in-chunk-header.wav": w[:len(w) - len(chunk(b"smpl", smpl_body(LOOPS))) + 5],
        "truncated-in-chunk-table.wav": w[:len(w) - 40],
        "two-data-chunks.wav": riff(fmt16(), data16(200), data16(300)),
        "two-smpl-chunks.wav": riff(fmt16(), data16(), chunk(b"smpl", smpl_body(LOOPS[:1])),
                                    chunk(b"smpl", smpl_body(LOOPS[1:]))),
        "wide-24bit-with-chunks.wav": wide,
    }


if __name__ == "__main__":
    args = sys.argv[1:]
    seeds = SEEDS
    if args and args[0] == "--chunks":
        seeds = chunk_seeds()
        args = args[1:]
    folder = args[0] if args else ("fuzz/seeds/chunks" if seeds is not SEEDS else "fuzz/seeds/load")
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
