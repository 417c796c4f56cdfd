#!/usr/bin/env python3
"""Writes chime.wav, the program's built-in sound: two soft bell strokes, a fifth apart.

Standard library only, and deterministic, so that running it again gives the same file:
    python3 resources/sound/make_chime.py
"""
import math
import os
import struct
import wave

RATE = 22050
LENGTH = 1.4  # seconds
VOLUME = 0.45  # of full scale, leaving room for the two strokes overlapping

# (start in seconds, fundamental in Hz)
STROKES = [(0.0, 783.99), (0.16, 1174.66)]  # G5, then D6
# A bell's partials: (ratio to the fundamental, loudness, decay per second)
PARTIALS = [(1.0, 1.0, 3.2), (2.0, 0.35, 5.0), (3.0, 0.12, 7.5), (4.2, 0.05, 10.0)]
ATTACK = 0.004  # seconds, so that the stroke does not click


def sample(t):
    value = 0.0
    for start, frequency in STROKES:
        local = t - start
        if local < 0:
            continue
        attack = min(1.0, local / ATTACK)
        for ratio, loudness, decay in PARTIALS:
            value += attack * loudness * math.exp(-decay * local) * math.sin(2 * math.pi * frequency * ratio * local)
    return value


def main():
    frames = [sample(i / RATE) for i in range(int(RATE * LENGTH))]
    peak = max(abs(v) for v in frames)
    # A short fade at the very end so that the sound stops on silence.
    fade = int(RATE * 0.05)
    for i in range(fade):
        frames[-1 - i] *= i / fade
    data = b"".join(struct.pack("<h", round(v / peak * VOLUME * 32767)) for v in frames)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "chime.wav")
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(data)


if __name__ == "__main__":
    main()
