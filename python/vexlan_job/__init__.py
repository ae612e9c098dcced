# SPDX-License-Identifier: MIT
"""Write Vexlan jobs and packed files from Python.

A job is one page of items; write it with write_job, which replaces the job
file in one step so that Vexlan never reads half of one:

    import vexlan_job as vj
    vj.write_job("/opt/shop/slip.set", [
        vj.frame((500, 500, 19500, 9500), pen_width=50),
        vj.text_line((1000, 1000, 19000, 2200), "销售单", face="黑体",
                     align=vj.ALIGN_CENTER),
    ], encoding="gbk")

Strings are stored in the code page Vexlan runs with (code_page_encoding()
tells which, from VEXLAN_CODEPAGE or the locale, as Vexlan itself decides);
bytes are stored as they are. pack and unpack make and read the packed
files (.bpg pictures, .bin texts) that image and text-block items may name.
"""

from .atomic import write_atomic
from .packed import pack, unpack, write_packed
from .records import (
    ALIGN_CENTER, ALIGN_LEFT, ALIGN_RIGHT, FACE_MAX, FRAME, HEADER_SIZE, IMAGE, MAGIC,
    RECORD_SIZE, TEXT_BLOCK, TEXT_LINE, TEXT_MAX, Item, code_page_encoding, frame, image,
    job_bytes, text_block, text_line, write_job,
)

__all__ = [
    "ALIGN_CENTER", "ALIGN_LEFT", "ALIGN_RIGHT", "FACE_MAX", "FRAME", "HEADER_SIZE", "IMAGE",
    "MAGIC", "RECORD_SIZE", "TEXT_BLOCK", "TEXT_LINE", "TEXT_MAX", "Item", "code_page_encoding",
    "frame", "image", "job_bytes", "pack", "text_block", "text_line", "unpack", "write_atomic",
    "write_job", "write_packed",
]
