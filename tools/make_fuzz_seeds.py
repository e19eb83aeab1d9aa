#!/usr/bin/env python3
"""Writes the seeds of the load-path fuzzer: the wide formats the loader takes
(24- and 32-bit integer, 32- and 64-bit float with NaN and infinities,
extensible headers) and files long enough for the mixing dialog's reader.
Run from the repository root:
    python3 tools/make_fuzz_seeds.py fuzz/seeds/load
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

if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "fuzz/seeds/load"
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
