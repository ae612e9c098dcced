# SPDX-License-Identifier: MIT
"""The job file: an 8-byte header and 308-byte item records, little-endian.

Record layout (the bytes a type does not use are written as zeros):
      0  int32     type       0 text line, 1 image, 2 text block, 3 frame
      4  char[260] text       text line: its text; image, text block: the path
    264  char[16]  face       text line, text block
    264  int32     invert     image          / pen width (0.01 mm)  frame
    268  int32     keepAspect image          / colour 0x00BBGGRR    frame
    280  uint32    align      text line: 0 left, 1 centre, 2 right
    292  4 x int32 rectangle  left, top, right, bottom in 0.01 mm
"""

import locale
import os
import struct

from .atomic import write_atomic

MAGIC = 0xCE23A97B
HEADER_SIZE = 8
RECORD_SIZE = 308
TEXT_MAX = 259   # bytes of a text or path; the field keeps one for its NUL
FACE_MAX = 15    # bytes of a face name

TEXT_LINE, IMAGE, TEXT_BLOCK, FRAME = 0, 1, 2, 3
ALIGN_LEFT, ALIGN_CENTER, ALIGN_RIGHT = 0, 1, 2

_HEADER = struct.Struct("<II")
# type, text, the 16 bytes at 264 (as the type gives them), align, 8 unused, rectangle
_RECORD = struct.Struct("<I260s16sI8x4I")
_PAIR = struct.Struct("<II8x")
assert _RECORD.size == RECORD_SIZE

_INT32 = (-(1 << 31), (1 << 31) - 1)
_WORD = (-(1 << 31), (1 << 32) - 1)   # stored as its low 32 bits, as vexlan-job stores it

# Code pages Vexlan knows, by the names VEXLAN_CODEPAGE and locales give them.
_CODE_PAGES = {
    "936": "gbk", "gbk": "gbk", "gb2312": "gbk", "gb18030": "gbk", "cp936": "gbk", "euc-cn": "gbk",
    "65001": "utf-8", "utf-8": "utf-8", "utf8": "utf-8", "ansi_x3.4-1968": "utf-8", "ascii": "utf-8",
    "1252": "cp1252", "cp1252": "cp1252", "windows-1252": "cp1252",
}


def code_page_encoding():
    """The Python codec of the code page Vexlan reads strings in when started
    with this process's environment: VEXLAN_CODEPAGE when set (936, 65001,
    1252 or a name such as GBK; anything else is a ValueError, as it stops
    Vexlan), else the locale's character set (a GBK locale gives gbk, the C
    and UTF-8 locales utf-8, any other a single-byte set)."""
    setting = os.environ.get("VEXLAN_CODEPAGE")
    if setting is not None:
        # Numbers exactly as written; names in any letter case.
        codec = _CODE_PAGES.get(setting if setting.isdigit() else setting.lower())
        if codec is None:
            raise ValueError(f"VEXLAN_CODEPAGE={setting!r} is not a known code page (936, 65001 or 1252)")
        return codec
    try:
        charset = locale.nl_langinfo(locale.CODESET)
    except AttributeError:   # Windows: the ANSI code page
        charset = locale.getpreferredencoding(False)
    return _CODE_PAGES.get(charset.lower(), "cp1252") if charset else "utf-8"


def _bytes_of(value, encoding, limit, what):
    """`value` (str, bytes or a path) as the bytes to store, at most `limit`."""
    value = os.fspath(value) if hasattr(value, "__fspath__") else value
    if isinstance(value, str):
        data = value.encode(encoding)
    elif isinstance(value, (bytes, bytearray, memoryview)):
        data = bytes(value)
    else:
        raise TypeError(f"{what} must be str or bytes, not {type(value).__name__}")
    if b"\0" in data:
        raise ValueError(f"{what} holds a NUL byte, which would end it early")
    if len(data) > limit:
        raise ValueError(f"{what} is {len(data)} bytes in {encoding}; at most {limit} fit")
    return data


def _word(value, bounds, what):
    """An integer within `bounds` (True and False count as 1 and 0), as its low 32 bits."""
    if isinstance(value, bool):
        value = int(value)
    if not isinstance(value, int) or not bounds[0] <= value <= bounds[1]:
        raise ValueError(f"{what} must be an integer from {bounds[0]} to {bounds[1]}, not {value!r}")
    return value & 0xFFFFFFFF


class Item:
    """One item record; text_line, image, text_block and frame make one. Its
    strings stay as given (str, bytes or a path) until the record is made in
    a code page."""

    __slots__ = ("type", "rect", "text", "face", "align", "invert", "keep_aspect", "pen_width", "color")

    def __init__(self, type, rect, text=b"", face=b"", align=0, invert=0, keep_aspect=0, pen_width=0, color=0):
        self.type = _word(type, _INT32, "type")
        rect = tuple(rect)
        if len(rect) != 4:
            raise ValueError("rect must be (left, top, right, bottom)")
        self.rect = tuple(_word(v, _INT32, "a rect value") for v in rect)
        self.text, self.face = text, face
        self.align = _word(align, _WORD, "align")
        self.invert = _word(invert, _WORD, "invert")
        self.keep_aspect = _word(keep_aspect, _WORD, "keep_aspect")
        self.pen_width = _word(pen_width, _INT32, "pen_width")
        self.color = _word(color, _WORD, "color")

    def to_bytes(self, encoding=None):
        """The 308 bytes of the record, strings in `encoding` (by default
        code_page_encoding()): the fields of its type, zeros elsewhere (a type
        other than 0 to 3 keeps only its type and rectangle). A string too long
        for its field, or holding a NUL, is a ValueError."""
        encoding = encoding or code_page_encoding()
        text, middle, align = b"", b"", 0
        if self.type in (TEXT_LINE, TEXT_BLOCK, IMAGE):
            text = _bytes_of(self.text, encoding, TEXT_MAX, "text" if self.type == TEXT_LINE else "path")
        if self.type in (TEXT_LINE, TEXT_BLOCK):
            middle = _bytes_of(self.face, encoding, FACE_MAX, "face")
            align = self.align if self.type == TEXT_LINE else 0
        elif self.type == IMAGE:
            middle = _PAIR.pack(self.invert, self.keep_aspect)
        elif self.type == FRAME:
            middle = _PAIR.pack(self.pen_width, self.color)
        return _RECORD.pack(self.type, text, middle, align, *self.rect)

    def __repr__(self):
        return f"Item(type={self.type}, rect={self.rect}, text={self.text!r}, face={self.face!r})"


def text_line(rect, text, face="", align=ALIGN_LEFT):
    """One line of text, vertically centred in `rect`, in a font whose cell
    height is the rectangle's height."""
    return Item(TEXT_LINE, rect, text=text, face=face, align=align)


def image(rect, path, invert=False, keep_aspect=False):
    """A .jpg or .bpg picture, stretched to `rect` or fitted keeping its proportions."""
    return Item(IMAGE, rect, text=path, invert=invert, keep_aspect=keep_aspect)


def text_block(rect, path, face=""):
    """The lines of a .txt or .bin file, sized so that the longest fills `rect`'s width."""
    return Item(TEXT_BLOCK, rect, text=path, face=face)


def frame(rect, pen_width=0, color=0):
    """The outline of `rect`: pen width in 0.01 mm (0 the thinnest line), colour 0x00BBGGRR."""
    return Item(FRAME, rect, pen_width=pen_width, color=color)


def job_bytes(items, encoding=None, count=None):
    """The bytes of a job file holding `items` (their count unless `count`
    is given), strings in `encoding` (by default code_page_encoding())."""
    items = list(items)
    encoding = encoding or code_page_encoding()
    n = len(items) if count is None else _word(count, _INT32, "count")
    return _HEADER.pack(MAGIC, n) + b"".join(item.to_bytes(encoding) for item in items)


def write_job(path, items, encoding=None):
    """Writes the job `items` to `path`, strings in `encoding` (by default
    code_page_encoding()), all or nothing: Vexlan finds the job that was there
    or this whole one. A job already at `path` that no Vexlan has claimed yet
    is replaced. A job without items is refused (ValueError): Vexlan would
    refuse to print it."""
    items = list(items)
    if not items:
        raise ValueError("a job needs at least one item")
    write_atomic(path, job_bytes(items, encoding))
