#!/usr/bin/env python3
"""Writes the seed corpus of the WAV reader's fuzzer and corpus test.

Files whose names start with "bad_" must be refused by the reader; every other
file must load. Run from the repository root:
    python3 tools/make_wav_corpus.py tests/data/wav_reader_corpus
"""
import os
import struct
import sys


def sampler(loop_type, start, end):
    # tag, size, manufacturer, product, period, unity note, fraction,
    # SMPTE format, SMPTE offset, loop count, sampler data,
    # then one loop: cue id, type, first sample, last sample, fraction, play count
    return b"smpl" + struct.pack("<I9I6I", 60, 0, 0, 22675, 60, 0, 0, 0, 1, 0,
                                 0, loop_type, start, end, 0, 0)


def wav(channels=1, bits=16, frames=300, fmt_tag=1, loop=None, loop_before=False,
        extra=b"", data_size=None, riff_size=None, rate=22050):
    align = channels * bits // 8
    if bits == 16:
        data = b"".join(struct.pack("<h", ((i * 7919 + c * 3001) % 65536) - 32768)
                        for i in range(frames) for c in range(channels))
    else:
        data = bytes((i * 37 + c * 101) % 256 for i in range(frames) for c in range(channels))
    body = b"WAVE" + b"fmt " + struct.pack("<IHHIIHH", 16, fmt_tag, channels, rate,
                                           rate * align, align, bits)
    body += extra
    if loop and loop_before:
        body += sampler(*loop)
    body += b"data" + struct.pack("<I", len(data) if data_size is None else data_size) + data
    if len(data) % 2:
        body += b"\0"
    if loop and not loop_before:
        body += sampler(*loop)
    size = len(body) if riff_size is None else riff_size
    return b"RIFF" + struct.pack("<I", size) + body


def main(out_dir):
    files = {
        "mono16.wav": wav(),
        "stereo16.wav": wav(channels=2),
        "mono8_odd.wav": wav(bits=8, frames=301),
        "stereo8.wav": wav(channels=2, bits=8),
        "mono16_loop_after.wav": wav(loop=(0, 10, 250)),
        "stereo16_alternate_loop_after.wav": wav(channels=2, loop=(1, 0, 299)),
        "mono8_loop_before.wav": wav(bits=8, loop=(1, 20, 200), loop_before=True),
        "list_chunk_loop_after.wav": wav(extra=b"LIST" + struct.pack("<I", 12) + b"INFOISFT\0\0\0\0",
                                         loop=(0, 5, 150)),
        "data_size_past_end.wav": wav(frames=200, data_size=0x7FFFFFF0),
        "riff_size_past_end.wav": wav(loop=(0, 1, 100), riff_size=0xFFFFFFF0),
        "bad_truncated_header.wav": wav()[:30],
        "bad_truncated_data.wav": wav(frames=300)[:44 + 2 * 100],
        "bad_too_few_frames.wav": wav(frames=127),
        "bad_compressed.wav": wav(fmt_tag=3),
        "bad_no_data.wav": wav().replace(b"data", b"dada", 1),
    }
    os.makedirs(out_dir, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tests/data/wav_reader_corpus")
