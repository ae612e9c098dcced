// SPDX-License-Identifier: MIT
/* slip.c: a producer in C that writes the sample sales slip (the page of
 * slip.json) as a job, using vexlan/job.h.
 *
 *   cc -std=c99 -I/usr/include slip.c -o slip-producer
 *   ./slip-producer /opt/shop/slip.set && VEXLAN_CODEPAGE=936 /opt/shop/slip
 *
 * The strings are GBK bytes (code page 936), the layout producers design
 * for: Vexlan reads them with VEXLAN_CODEPAGE=936. */
#include <vexlan/job.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "slip.set";
    vexlan_item items[7];
    int bad = 0;

    /* The outer frame: 0.5 mm, black. */
    vexlan_item_init(&items[0], VEXLAN_FRAME, 500, 500, 19500, 9500);
    vexlan_set_frame(&items[0], 50, 0x000000);
    /* "销售单 Sales slip" in 黑体, centred. */
    vexlan_item_init(&items[1], VEXLAN_TEXT_LINE, 1000, 1000, 19000, 2200);
    bad |= vexlan_set_text_line(&items[1], "\xcf\xfa\xca\xdb\xb5\xa5 Sales slip", "\xba\xda\xcc\xe5",
                                VEXLAN_ALIGN_CENTER);
    vexlan_item_init(&items[2], VEXLAN_TEXT_LINE, 1000, 3000, 19000, 3600);
    bad |= vexlan_set_text_line(&items[2], "No. 20261208-0042", "Arial", VEXLAN_ALIGN_LEFT);
    /* "打印机墨盒 ×2" in 宋体. */
    vexlan_item_init(&items[3], VEXLAN_TEXT_LINE, 1000, 3800, 19000, 4400);
    bad |= vexlan_set_text_line(&items[3], "\xb4\xf2\xd3\xa1\xbb\xfa\xc4\xab\xba\xd0 \xa1\xc1" "2",
                                "\xcb\xce\xcc\xe5", VEXLAN_ALIGN_LEFT);
    /* "合计 Total: 356.00" in 宋体, to the right. */
    vexlan_item_init(&items[4], VEXLAN_TEXT_LINE, 1000, 4600, 19000, 5200);
    bad |= vexlan_set_text_line(&items[4], "\xba\xcf\xbc\xc6 Total: 356.00", "\xcb\xce\xcc\xe5", VEXLAN_ALIGN_RIGHT);
    /* A grey rule (0x00BBGGRR). */
    vexlan_item_init(&items[5], VEXLAN_FRAME, 1000, 5600, 19000, 5620);
    vexlan_set_frame(&items[5], 20, 0x808080);
    /* "谢谢惠顾 Thank you", centred. */
    vexlan_item_init(&items[6], VEXLAN_TEXT_LINE, 1000, 8200, 19000, 8800);
    bad |= vexlan_set_text_line(&items[6], "\xd0\xbb\xd0\xbb\xbb\xdd\xb9\xcb Thank you", "Times New Roman",
                                VEXLAN_ALIGN_CENTER);

    if (bad) {
        fputs("slip: a text or face name is too long for its field\n", stderr);
        return 1;
    }
    if (vexlan_write_job(path, items, (int32_t)(sizeof items / sizeof items[0])) != 0) {
        fprintf(stderr, "slip: cannot write %s: %s\n", path, strerror(errno));
        return 1;
    }
    return 0;
}
