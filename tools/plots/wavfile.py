"""Floating-point WAV files (32- or 64-bit IEEE samples), read and written with numpy.

The standard library's wave module handles integer PCM only; the measurements need
float samples so that nothing is limited by quantisation.
"""

import struct

import numpy as np

IEEE_FLOAT = 3
EXTENSIBLE = 0xFFFE


def write(path, samples, rate, bits=64):
    """Write frames x channels (or a 1-D mono array) as IEEE float samples."""
    data = np.asarray(samples, dtype="<f8" if bits == 64 else "<f4")
    if data.ndim == 1:
        data = data[:, None]
    frames, channels = data.shape
    block = channels * bits // 8
    payload = data.tobytes()
    fmt = struct.pack("<HHIIHHH", IEEE_FLOAT, channels, rate, rate * block, block, bits, 0)
    fact = struct.pack("<I", frames)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"fact" + struct.pack("<I", len(fact)) + fact
            + b"data" + struct.pack("<I", len(payload)) + payload)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def read(path):
    """Return (frames x channels float64 array, sample rate) of a float WAV file."""
    with open(path, "rb") as f:
        raw = f.read()
    if raw[:4] != b"RIFF" or raw[8:12] != b"WAVE":
        raise ValueError(f"{path}: not a WAV file")
    fmt = None
    pos = 12
    while pos + 8 <= len(raw):
        chunk, size = raw[pos:pos + 4], struct.unpack_from("<I", raw, pos + 4)[0]
        start = pos + 8
        if chunk == b"fmt ":
            tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", raw, start)
            if tag == EXTENSIBLE:
                tag = struct.unpack_from("<H", raw, start + 24)[0]
            fmt = (tag, channels, rate, bits)
        elif chunk == b"data":
            if fmt is None:
                raise ValueError(f"{path}: data before format")
            tag, channels, rate, bits = fmt
            if tag != IEEE_FLOAT or bits not in (32, 64):
                raise ValueError(f"{path}: not 32- or 64-bit float samples")
            dtype = "<f8" if bits == 64 else "<f4"
            count = min(size, len(raw) - start) // (bits // 8) // channels * channels
            data = np.frombuffer(raw, dtype=dtype, count=count, offset=start)
            return data.reshape(-1, channels).astype(np.float64), rate
        pos = start + size + (size & 1)
    raise ValueError(f"{path}: no audio data")
