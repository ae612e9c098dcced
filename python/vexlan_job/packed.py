# SPDX-License-Identifier: MIT
"""Packed files: content compressed with zlib and scrambled with a 32-bit XOR.

Layout (little-endian): uint32 seed, uint32 unpacked size, then the zlib
stream scrambled with the key seed XOR (stream length). Vexlan reads .bpg
(a JPEG) and .bin (a text) files in this form."""

import os
import struct
import zlib

from .atomic import write_atomic

HEADER = struct.Struct("<II")
MAX_RATIO = 1032       # deflate makes at most this many bytes of each byte
MAX_SIZE = 1 << 30     # Vexlan's limit on the payload and on the content


def _scramble(payload, key):
    """XORs whole 32-bit little-endian words with `key`, tail bytes with its
    low byte; the same operation undoes it."""
    whole = len(payload) // 4 * 4
    words = int.from_bytes(payload[:whole], "little") ^ int.from_bytes(struct.pack("<I", key) * (whole // 4), "little")
    tail = bytes(b ^ (key & 0xFF) for b in payload[whole:])
    return words.to_bytes(whole, "little") + tail


def pack(content, seed=None, level=9):
    """The packed form of the bytes `content`; `seed` is random unless given."""
    content = bytes(content)
    if len(content) > MAX_SIZE:
        raise ValueError(f"content of {len(content)} bytes; Vexlan unpacks at most {MAX_SIZE}")
    if seed is None:
        seed = int.from_bytes(os.urandom(4), "little")
    if not 0 <= seed <= 0xFFFFFFFF:
        raise ValueError("the seed must be from 0 to 4294967295")
    stream = zlib.compress(content, level)
    return HEADER.pack(seed, len(content)) + _scramble(stream, seed ^ len(stream))


def unpack(packed):
    """The content of a packed file, refused (ValueError) as Vexlan refuses it:
    shorter than its header, an empty or damaged stream, sizes over the limits,
    or a stream longer than the size it gives. A shorter stream is padded
    with zero bytes, as Vexlan reads it."""
    packed = bytes(packed)
    if len(packed) <= HEADER.size:
        raise ValueError("shorter than a packed file's header and stream")
    seed, size = HEADER.unpack_from(packed)
    payload = packed[HEADER.size:]
    if len(payload) > MAX_SIZE or size > MAX_SIZE or size > MAX_RATIO * len(payload):
        raise ValueError(f"sizes over the limits (payload {len(payload)}, unpacked size {size})")
    inflater = zlib.decompressobj()
    try:
        content = inflater.decompress(_scramble(payload, seed ^ len(payload)), size + 1)
    except zlib.error as e:
        raise ValueError(f"not a valid zlib stream after unscrambling ({e})") from None
    if len(content) > size:
        raise ValueError(f"the stream holds more than the unpacked size of {size} bytes")
    if not inflater.eof:
        raise ValueError("the zlib stream ends early")
    return content + bytes(size - len(content))


def write_packed(path, content, seed=None):
    """Packs `content` into the file `path`, all or nothing (write_atomic)."""
    write_atomic(path, pack(content, seed))
