#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A producer in Python that writes the sample sales slip (the page of
slip.json) as a job with the vexlan_job module.

    python3 slip.py /opt/shop/slip.set && VEXLAN_CODEPAGE=936 /opt/shop/slip

The strings are stored in GBK (code page 936), the layout producers design
for: Vexlan reads them with VEXLAN_CODEPAGE=936. From a clone, run it with
PYTHONPATH=python."""

import sys

import vexlan_job as vj


def slip_items():
    return [
        vj.frame((500, 500, 19500, 9500), pen_width=50, color=0x000000),
        vj.text_line((1000, 1000, 19000, 2200), "销售单 Sales slip", face="黑体", align=vj.ALIGN_CENTER),
        vj.text_line((1000, 3000, 19000, 3600), "No. 20261208-0042", face="Arial"),
        vj.text_line((1000, 3800, 19000, 4400), "打印机墨盒 ×2", face="宋体"),
        vj.text_line((1000, 4600, 19000, 5200), "合计 Total: 356.00", face="宋体", align=vj.ALIGN_RIGHT),
        vj.frame((1000, 5600, 19000, 5620), pen_width=20, color=0x808080),   # a grey rule
        vj.text_line((1000, 8200, 19000, 8800), "谢谢惠顾 Thank you", face="Times New Roman",
                     align=vj.ALIGN_CENTER),
    ]


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "slip.set"
    try:
        vj.write_job(path, slip_items(), encoding="gbk")
    except (OSError, ValueError) as e:
        print(f"slip: cannot write {path}: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
