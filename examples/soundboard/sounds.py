#!/usr/bin/env python3
"""Writes the board's own sounds into the folder given: bell.wav (a fading
bell), drum.wav (a falling thump) and chirp.wav (a rising sweep), 16-bit mono
at 22050 samples a second, the same bytes every time."""
import math
import os
import struct
import sys

RATE = 22050


def wave(path, samples):
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(s * 32767)))) for s in samples)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16))
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def tone(seconds, frequency, loudness):
    n = int(RATE * seconds)
    phase = 0.0
    for i in range(n):
        t = i / RATE
        phase += 2 * math.pi * frequency(t) / RATE
        yield loudness(t) * math.sin(phase)


folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
wave(os.path.join(folder, "bell.wav"), tone(0.6, lambda t: 880, lambda t: 0.5 * math.exp(-5 * t)))
wave(os.path.join(folder, "drum.wav"), tone(0.3, lambda t: 110 - 150 * t, lambda t: 0.8 * math.exp(-12 * t)))
wave(os.path.join(folder, "chirp.wav"), tone(0.4, lambda t: 600 + 3000 * t, lambda t: 0.4))
