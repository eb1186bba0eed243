#!/usr/bin/env python3
"""Writes the two sounds of the program as RIFF WAVE files: 8-bit mono PCM at
11025 samples per second, a 16-byte "fmt " chunk, then the "data" chunk with
its pad byte. The samples are computed, so the files are reproducible.

usage: sounds.py SOUND1 SOUND2
"""
import math
import struct
import sys

RATE = 11025


def tone(notes, count):
    """Mixes decaying bell-like notes: (start seconds, frequency, level)."""
    samples = []
    for i in range(count):
        t = i / RATE
        v = 0.0
        for start, freq, level in notes:
            if t < start:
                continue
            u = t - start
            envelope = level * math.exp(-5.0 * u) * min(1.0, u * 400)
            v += envelope * (math.sin(2 * math.pi * freq * u)
                             + 0.3 * math.sin(4 * math.pi * freq * u))
        # Fade the last 10 ms so the sound ends without a click.
        v *= min(1.0, (count - 1 - i) / (RATE * 0.01))
        samples.append(max(0, min(255, 128 + round(90 * v))))
    return bytes(samples)


def wave(samples):
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)
    data = samples + (b"\x00" if len(samples) % 2 else b"")
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(samples)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    # Sound 1: a rising two-note chime, E5 then A5.
    sound1 = tone([(0.0, 659.25, 0.6), (0.18, 880.0, 0.6)], 9981)
    # Sound 2: a short single C6 ping.
    sound2 = tone([(0.0, 1046.5, 0.8)], 5167)
    for path, samples in ((sys.argv[1], sound1), (sys.argv[2], sound2)):
        with open(path, "wb") as f:
            f.write(wave(samples))


if __name__ == "__main__":
    main()
