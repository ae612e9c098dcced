#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Image pages benchmark, the measuring half of image_pages.sh (run that).
#
# Builds five pages in a temporary directory: their JPEGs (made here from a
# smooth gradient with a calm upper part and a noisy lower part, encoded by
# cjpeg at quality 90; the twenty pictures of the last page are the six
# photos and lossless flips of them by jpegtran), their text files, their
# jobs (vexlan-job build) and an equivalent absolutely positioned HTML page
# for each. Then, in interleaved rounds (one warm-up round first, not
# counted), it times per page:
#   vexlan    vexlan --job J --keep-job --pdf OUT (peak RSS by /usr/bin/time)
#   floor     djpeg of each of the page's JPEGs to /dev/null, one after another
#   browser   headless chromium printing the HTML page to PDF (when installed)
# and for the picture pages --png at 150 dpi, --print to a held queue and
# the preview (start to painted page and to the first window, the peak RSS
# by then), and prints the medians, the ratios, and one line per
# performance goal with its measured value and PASS or FAIL.
import argparse
import hashlib
import html
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MIB = 1024 * 1024

CN = ["品名", "数量", "单价", "金额", "发货单", "收货人", "地址", "合计", "备注", "规格", "订单号", "日期"]
LATIN = ["Item", "Qty", "Unit price", "Amount", "Order No.", "Consignee", "Total", "Remarks", "Size", "Date"]
FACES = ["宋体", "黑体", "Arial", "Times New Roman"]
# The installed families the job's faces stand for, for the HTML page.
CSS_FACE = {
    "宋体": "'AR PL UMing CN', 'WenQuanYi Zen Hei', serif",
    "黑体": "'WenQuanYi Zen Hei', sans-serif",
    "Arial": "'Liberation Sans', 'DejaVu Sans', sans-serif",
    "Times New Roman": "'Liberation Serif', 'DejaVu Serif', serif",
}


def text_of(rnd, i):
    return "%s %s %d %s %.2f" % (rnd.choice(CN), rnd.choice(LATIN), i, rnd.choice(CN), rnd.uniform(1, 999))


# ---------------------------------------------------------------- the JPEGs

def make_jpeg(path, w, h, seed):
    """A w x h colour JPEG at quality 90: red grows to the right, green
    downwards, blue along the diagonal; the upper two fifths carry noise of
    amplitude 3 (a calm sky), the rest amplitude 34 (texture). Rows are summed
    as big integers: the parts never carry into the next byte."""
    rnd = random.Random(seed)
    red = int.from_bytes(b"".join(bytes((x * 200 // w, 0, 0)) for x in range(w)), "big")
    blue = b"".join(bytes((0, 0, v * 200 // (w + h))) for v in range(w + h))
    calm = bytes(v % 4 for v in range(256))
    rough = bytes(v % 35 for v in range(256))
    enc = subprocess.Popen(["cjpeg", "-quality", "90", "-outfile", path], stdin=subprocess.PIPE)
    enc.stdin.write(b"P6\n%d %d\n255\n" % (w, h))
    for y in range(h):
        green = int.from_bytes(bytes((0, y * 200 // h, 0)) * w, "big")
        noise = rnd.randbytes(3 * w).translate(calm if y < h * 2 // 5 else rough)
        row = red + green + int.from_bytes(blue[3 * y:3 * y + 3 * w], "big") + int.from_bytes(noise, "big")
        enc.stdin.write(row.to_bytes(3 * w, "big"))
    enc.stdin.close()
    if enc.wait() != 0:
        sys.exit("cjpeg failed for " + path)


def dib_bytes(w, h):
    """Bytes of a 24-bit bottom-up DIB: rows padded to four bytes."""
    return ((w * 3 + 3) & ~3) * h


# ---------------------------------------------------------------- the pages

def line(rect, text, face, align=0):
    return {"type": 0, "rect": rect, "text": text, "face": face, "align": align}


def image(rect, path, keep=True):
    return {"type": 1, "rect": rect, "path": path, "invert": 0, "keepAspect": keep}


def block(rect, path, face):
    return {"type": 2, "rect": rect, "path": path, "face": face}


def frame(rect, pen, color):
    return {"type": 3, "rect": rect, "penWidth": pen, "color": color}


def text_file(path, rnd, lines):
    with open(path, "w", encoding="utf-8") as f:
        for i in range(lines):
            f.write(text_of(rnd, i) + "\n")
    return path


def text_page(work, rnd):
    items = []
    for i in range(400):  # four columns of 100 lines
        c, r = divmod(i, 100)
        x, y = 500 + c * 5000, 1000 + r * 270
        items.append(line([x, y, x + 4800, y + 250], text_of(rnd, i), FACES[i % 4], i % 3))
    for i in range(10):  # 20 to 40 lines each, over the lines in two columns
        c, r = divmod(i, 5)
        x, y = 600 + c * 10000, 1200 + r * 5400
        path = text_file(os.path.join(work, "text%d.txt" % i), rnd, 20 + 2 * i + (i == 9) * 2)
        items.append(block([x, y, x + 9600, y + 5000], path, FACES[i % 4]))
    for i in range(120):  # a 10 x 12 grid of boxes
        c, r = divmod(i, 12)
        x, y = 400 + c * 2000, 800 + r * 2300
        items.append(frame([x, y, x + 1900, y + 2200], (i % 4) * 10, i * 0x020408))
    return items


def photo_page(jpegs):
    items = []
    for i, path in enumerate(jpegs):  # 93 x 78 mm each, two columns of three
        c, r = i % 2, i // 2
        x, y = 1000 + c * 9500, 1000 + r * 8200
        items.append(image([x, y, x + 9300, y + 7800], path))
    for i in range(4):
        items.append(line([1000, 26000 + i * 700, 20000, 26600 + i * 700],
                          "照片 %d / Photo sheet %d" % (i + 1, i + 1), FACES[i]))
    return items


def twenty_page(jpegs):
    items = []
    for i, path in enumerate(jpegs):  # 48 x 55 mm each, four columns of five
        c, r = i % 4, i // 4
        x, y = 600 + c * 5000, 800 + r * 5700
        items.append(image([x, y, x + 4800, y + 5500], path))
    return items


def flipped_jpegs(photos, work):
    """Fourteen more 4000 x 3000 pictures, each different: the photos
    mirrored, turned upside down, or both (jpegtran, lossless)."""
    out = []
    for i in range(14):
        src = photos[i % len(photos)]
        how = [["-flip", "horizontal"], ["-flip", "vertical"], ["-rotate", "180"]][i // len(photos)]
        path = os.path.join(work, "flip%d.jpg" % i)
        subprocess.run(["jpegtran"] + how + ["-outfile", path, src], check=True)
        out.append(path)
    return out


def mixed_page(work, rnd, jpegs):
    items = [image([1000, 1000, 10000, 7750], jpegs[0]), image([11000, 1000, 20000, 7750], jpegs[1], False)]
    for i in range(3):
        path = text_file(os.path.join(work, "mixed%d.txt" % i), rnd, 15 + 5 * i)
        items.append(block([1000 + i * 6400, 8500, 7000 + i * 6400, 14500], path, FACES[i]))
    for i in range(60):
        c, r = divmod(i, 30)
        x, y = 1000 + c * 9800, 15000 + r * 450
        items.append(line([x, y, x + 9200, y + 400], text_of(rnd, i), FACES[i % 4], i % 3))
    for i in range(30):
        c, r = divmod(i, 6)
        x, y = 900 + c * 3900, 800 + r * 4700
        items.append(frame([x, y, x + 3700, y + 4500], (i % 3) * 20, 0))
    return items


# ---------------------------------------------------------------- the HTML page

def mm(v):
    return "%.2fmm" % (v / 100)


def html_page(items):
    """The page as a browser draws it: A4, no margins, every item an absolutely
    positioned element at the job's millimetres."""
    out = ["<!DOCTYPE html><html><head><meta charset='utf-8'><style>",
           "@page { size: 210mm 297mm; margin: 0 } body { margin: 0 }",
           "div, img { position: absolute; box-sizing: border-box; white-space: pre; overflow: visible }",
           "</style></head><body>"]
    for it in items:
        l, t, r, b = it["rect"]
        box = "left:%s;top:%s;width:%s;height:%s" % (mm(l), mm(t), mm(r - l), mm(b - t))
        if it["type"] == 0:
            out.append("<div style=\"%s;line-height:%s;font-size:%s;font-family:%s;text-align:%s\">%s</div>" % (
                box, mm(b - t), mm((b - t) * 0.8), CSS_FACE[it["face"]],
                ("left", "center", "right")[it["align"]], html.escape(it["text"])))
        elif it["type"] == 1:
            out.append("<img src=\"file://%s\" style=\"%s;object-fit:%s\">" % (
                html.escape(it["path"]), box, "contain" if it["keepAspect"] else "fill"))
        elif it["type"] == 2:
            with open(it["path"], encoding="utf-8") as f:
                lines = f.read().splitlines()
            slot = (b - t) // len(lines)
            out.append("<div style=\"%s;line-height:%s;font-size:%s;font-family:%s\">%s</div>" % (
                box, mm(slot), mm(slot * 0.75), CSS_FACE[it["face"]], html.escape("\n".join(lines))))
        else:
            c = it["color"]
            out.append("<div style=\"%s;border:%s solid #%02x%02x%02x\"></div>" % (
                box, mm(max(it["penWidth"], 10)), c & 255, (c >> 8) & 255, (c >> 16) & 255))
    out.append("</body></html>")
    return "\n".join(out)


# ---------------------------------------------------------------- measuring

def timed(cmd, env=None):
    start = time.perf_counter()
    done = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (done.returncode, " ".join(cmd), done.stderr.decode(errors="replace")))
    return elapsed


def timed_rss(cmd, rss_file, env=None):
    """Wall time and peak resident set size in bytes, as /usr/bin/time reports it."""
    elapsed = timed(["/usr/bin/time", "-f", "%M", "-o", rss_file] + cmd, env)
    with open(rss_file) as f:
        return elapsed, int(f.read().split()[-1]) * 1024


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def extracted_jpegs_match(pdf, jpegs, work):
    """How many of the source JPEGs `pdfimages -all` gives back byte for byte."""
    out = tempfile.mkdtemp(dir=work)
    subprocess.run(["pdfimages", "-all", pdf, os.path.join(out, "img")], check=True)
    found = {sha256(os.path.join(out, n)) for n in os.listdir(out)}
    shutil.rmtree(out)
    return sum(sha256(j) in found for j in jpegs)


def start_display(work):
    """Xvfb on a free display with matchbox as window manager (the preview's
    window is maximized as on a desktop), or None when they are missing."""
    if not shutil.which("Xvfb") or not shutil.which("matchbox-window-manager"):
        return None
    r, w = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                            pass_fds=(w,), stderr=subprocess.DEVNULL)
    os.close(w)
    with os.fdopen(r) as f:
        number = f.readline().strip()
    if not number:
        xvfb.kill()
        return None
    env = dict(os.environ, DISPLAY=":" + number, XDG_RUNTIME_DIR=work)
    wm = subprocess.Popen(["matchbox-window-manager", "-use_titlebar", "no"], env=env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(0.5)
    return {"display": env["DISPLAY"], "procs": [wm, xvfb]}


def stop_display(display):
    for proc in display["procs"]:
        proc.kill()
        proc.wait()


def peak_rss(pid):
    """The peak resident set size of a running process, in bytes."""
    with open("/proc/%d/status" % pid) as f:
        for row in f:
            if row.startswith("VmHWM:"):
                return int(row.split()[1]) * 1024
    return 0


def time_to_painted_preview(vexlan, job, env, display):
    """Seconds from starting the program to its first drawn preview page on
    the screen (the line VEXLAN_REPORT_PAINT asks for), the program's peak
    RSS by then, and the seconds to its first window on the screen (the
    load progress window, when loading took long enough to show it)."""
    env = dict(env, DISPLAY=display["display"], VEXLAN_REPORT_PAINT="1")
    env.pop("QT_QPA_PLATFORM", None)
    start = time.perf_counter()
    proc = subprocess.Popen([vexlan, "--job", job, "--keep-job"], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    first = None
    try:
        for raw in proc.stderr:
            if raw.startswith(b"vexlan: load progress shown"):
                first = time.perf_counter() - start
            if raw.startswith(b"vexlan: preview page painted"):
                painted = time.perf_counter() - start
                return painted, peak_rss(proc.pid), first if first is not None else painted
        sys.exit("the preview of %s ended without a painted page" % job)
    finally:
        proc.kill()
        proc.wait()


SPOOL_QUEUE = "bench"


def start_spool(work):
    """A private scheduler with one held queue (it takes jobs and keeps them
    in its spool without printing), or None when this machine cannot run one."""
    helper = os.path.join(HERE, "..", "tests", "support", "private_cupsd.sh")
    if os.geteuid() != 0 or not os.path.exists("/usr/sbin/cupsd") or not shutil.which("cupsdisable"):
        return None
    os.chmod(work, 0o755)
    d = os.path.join(work, "cups")
    # The tests' scheduler writes a job's state files the moment it changes
    # (DirtyCleanInterval 0), before it answers; a scheduler as installed
    # waits 30 s for that. The print is timed against the installed one.
    conf = dict(os.environ, CUPSD_EXTRA_CONF="DirtyCleanInterval 30")
    if subprocess.run(["bash", helper, "start", d], stdout=subprocess.DEVNULL, env=conf).returncode != 0:
        return None
    spool = {"dir": d, "socket": os.path.join(d, "cups.sock"), "helper": helper}
    env = dict(os.environ, CUPS_SERVER=spool["socket"])
    if (subprocess.run(["bash", helper, "queue", d, SPOOL_QUEUE]).returncode != 0 or
            subprocess.run(["cupsdisable", SPOOL_QUEUE], env=env).returncode != 0):
        stop_spool(spool)
        return None
    return spool


def newest_spool_file(spool):
    root = os.path.join(spool["dir"], "spool")
    files = [os.path.join(root, n) for n in os.listdir(root) if n.startswith("d")]
    return max(files, key=os.path.getmtime)


def stop_spool(spool):
    subprocess.run(["bash", spool["helper"], "stop", spool["dir"]])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--vexlan", required=True)
    ap.add_argument("--job-tool", required=True)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--strict", action="store_true", help="exit 1 when a goal fails")
    ap.add_argument("--keep", action="store_true", help="keep the pages, JPEGs and PDFs")
    a = ap.parse_args()

    work = tempfile.mkdtemp(prefix="vexlan-image-pages.")
    try:
        return run(a, work)
    finally:
        if a.keep:
            print("kept in " + work, file=sys.stderr)
        else:
            shutil.rmtree(work, ignore_errors=True)


def run(a, work):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8",
               CUPS_SERVER=os.path.join(work, "no-cups.sock"))  # no printer: A4, no margins
    for var in ("PRINTER", "LPDEST", "VEXLAN_CODEPAGE"):
        env.pop(var, None)
    chromium = shutil.which("chromium")

    print("making JPEGs ...", file=sys.stderr, flush=True)
    photos = [os.path.join(work, "photo%d.jpg" % i) for i in range(6)]
    shots = [os.path.join(work, "shot%d.jpg" % i) for i in range(2)]
    dims = {}
    for i, p in enumerate(photos):
        make_jpeg(p, 4000, 3000, 100 + i)
        dims[p] = (4000, 3000)
    for i, p in enumerate(shots):
        make_jpeg(p, 1600, 1200, 200 + i)
        dims[p] = (1600, 1200)

    flips = flipped_jpegs(photos, work)
    for p in flips:
        dims[p] = (4000, 3000)

    rnd = random.Random(7)
    pages = {
        "text": text_page(work, rnd),
        "photo": photo_page(photos),
        "mixed": mixed_page(work, rnd, shots),
        "blank": [line([1000, 1000, 20000, 1600], "空白页 blank page", "宋体")],
        "twenty": twenty_page(photos + flips),
    }
    info = {}
    for name, items in pages.items():
        with open(os.path.join(work, name + ".json"), "w", encoding="utf-8") as f:
            json.dump(items, f, ensure_ascii=False)
        subprocess.run([a.job_tool, "build", os.path.join(work, name + ".json"), "-o",
                        os.path.join(work, name + ".set")], check=True, env=env, stdout=subprocess.DEVNULL)
        with open(os.path.join(work, name + ".html"), "w", encoding="utf-8") as f:
            f.write(html_page(items))
        jpegs = [it["path"] for it in items if it["type"] == 1]
        info[name] = {"items": len(items), "jpegs": jpegs,
                      "jpeg_bytes": sum(os.path.getsize(j) for j in jpegs),
                      "dib": sum(dib_bytes(*dims[j]) for j in jpegs),
                      "vexlan": [], "rss": [], "floor": [], "browser": []}

    spool = start_spool(work)
    display = start_display(work)
    for name in ("blank", "photo", "twenty"):
        info[name]["preview"] = []
        info[name]["preview_rss"] = []
        info[name]["first_window"] = []
    for name in ("photo", "twenty"):
        info[name]["print"] = []
        info[name]["print_rss"] = []
        info[name]["png"] = []
        info[name]["png_rss"] = []
    ph_info = info["photo"]

    rss_file = os.path.join(work, "rss")
    for rnd_no in range(a.rounds + 1):  # round 0 warms the caches and is dropped
        print("round %d/%d ..." % (rnd_no, a.rounds), file=sys.stderr, flush=True)
        for name, p in info.items():
            job, pdf = os.path.join(work, name + ".set"), os.path.join(work, name + ".pdf")
            t, rss = timed_rss([a.vexlan, "--job", job, "--keep-job", "--pdf", pdf], rss_file, env)
            floor = sum(timed(["djpeg", "-outfile", "/dev/null", j]) for j in p["jpegs"]) if p["jpegs"] else None
            browser = None
            if chromium:
                profile = tempfile.mkdtemp(dir=work)
                browser = timed([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                 "--no-first-run", "--disable-background-networking",
                                 "--disable-component-update", "--disable-sync", "--no-pdf-header-footer",
                                 "--user-data-dir=" + profile,
                                 "--print-to-pdf=" + os.path.join(work, name + "-browser.pdf"),
                                 "file://" + os.path.join(work, name + ".html")], env)
                shutil.rmtree(profile, ignore_errors=True)
            if "preview" in p and display:
                t_preview, rss_preview, t_first = time_to_painted_preview(a.vexlan, job, env, display)
                if rnd_no:
                    p["preview"].append(t_preview)
                    p["preview_rss"].append(rss_preview)
                    p["first_window"].append(t_first)
            if "png" in p:
                t_png, rss_png = timed_rss([a.vexlan, "--job", job, "--keep-job", "--png",
                                            os.path.join(work, name + ".png"), "--dpi", "150"], rss_file)
                if rnd_no:
                    p["png"].append(t_png)
                    p["png_rss"].append(rss_png)
            if "print" in p and spool:
                t_print, rss_print = timed_rss([a.vexlan, "--job", job, "--keep-job", "--print", "--printer",
                                                SPOOL_QUEUE], rss_file, dict(env, CUPS_SERVER=spool["socket"]))
                p["spool_file"] = newest_spool_file(spool)
                if rnd_no:
                    p["print"].append(t_print)
                    p["print_rss"].append(rss_print)
            if rnd_no:
                p["vexlan"].append(t)
                p["rss"].append(rss)
                p["floor"].append(floor)
                p["browser"].append(browser)

    if display:
        stop_display(display)
    if spool:
        ph_info["spool_identical"] = extracted_jpegs_match(ph_info["spool_file"], ph_info["jpegs"], work)
        stop_spool(spool)

    med = statistics.median
    for name, p in info.items():
        p["t"] = med(p["vexlan"])
        p["f"] = med(p["floor"]) if p["jpegs"] else None
        p["b"] = med(p["browser"]) if chromium else None
        p["peak"] = max(p["rss"])
        pdf = os.path.join(work, name + ".pdf")
        p["pdf_bytes"] = os.path.getsize(pdf)
        p["identical"] = extracted_jpegs_match(pdf, p["jpegs"], work) if p["jpegs"] else None

    def num(v, fmt):
        return "—" if v is None else fmt % v

    print("Image pages: medians of %d interleaved rounds; %s" % (
        a.rounds, "browser: " + chromium if chromium else "browser: not installed"))
    print()
    print("| page | items | Vexlan s | browser s | decode floor s | Vexlan ÷ browser | Vexlan ÷ floor "
          "| peak MiB | DIB MiB | PDF MB | JPEG MB |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    for name, p in info.items():
        print("| %s | %d | %.3f | %s | %s | %s | %s | %.0f | %.0f | %.2f | %s |" % (
            name, p["items"], p["t"], num(p["b"], "%.3f"), num(p["f"], "%.3f"),
            num(p["b"] and p["t"] / p["b"], "%.3f"), num(p["f"] and p["t"] / p["f"], "%.2f"),
            p["peak"] / MIB, p["dib"] / MIB, p["pdf_bytes"] / 1e6,
            num(p["jpeg_bytes"] / 1e6 if p["jpegs"] else None, "%.2f")))

    goals = []

    def goal(text, value, ok):
        goals.append((text, value, "—" if ok is None else "PASS" if ok else "FAIL"))

    ph, bl, tx, tw = info["photo"], info["blank"], info["text"], info["twenty"]
    goal("photo → PDF ≤ 0.6× decode floor", "%.2f×" % (ph["t"] / ph["f"]), ph["t"] <= 0.6 * ph["f"])
    goal("photo → PDF: peak memory ≤ 100 MiB", "%.0f MiB" % (ph["peak"] / MIB), ph["peak"] <= 100 * MIB)
    if ph["print"]:
        t_print = med(ph["print"])
        goal("photo → print spool ≤ 0.6× decode floor", "%.2f× (%.3f s)" % (t_print / ph["f"], t_print),
             t_print <= 0.6 * ph["f"])
        goal("photo: JPEGs byte-identical in the print spool", "%d of %d" % (
            ph["spool_identical"], len(ph["jpegs"])), ph["spool_identical"] == len(ph["jpegs"]))
    else:
        goal("photo → print spool ≤ 0.6× decode floor", "no private scheduler (needs root and cupsd)", None)
    t_png = med(ph["png"])
    goal("photo → PNG at 150 dpi ≤ 1.0× decode floor", "%.2f× (%.3f s)" % (t_png / ph["f"], t_png),
         t_png <= ph["f"])
    if bl["preview"]:
        t_blank, t_photo = med(bl["preview"]), med(ph["preview"])
        goal("blank: start → painted preview ≤ 0.15 s", "%.3f s" % t_blank, t_blank <= 0.15)
        goal("photo: painted preview ≤ 0.5× decode floor after the blank page's", "%.2f× (%.3f s)" % (
            (t_photo - t_blank) / ph["f"], t_photo - t_blank), t_photo - t_blank <= 0.5 * ph["f"])
        t_first, t_twenty = med(tw["first_window"]), med(tw["preview"])
        goal("twenty: start → a window (load progress or page) ≤ 0.3 s",
             "%.3f s (page painted at %.3f s)" % (t_first, t_twenty), t_first <= 0.3)
    else:
        goal("start → painted preview", "no virtual display (Xvfb, matchbox-window-manager)", None)
    goal("text → PDF ≤ 2.5× blank", "%.2f× (%.3f s)" % (tx["t"] / bl["t"], tx["t"]), tx["t"] <= 2.5 * bl["t"])
    for name, most in (("text", 0.06), ("mixed", 0.10)):
        p = info[name]
        if p["b"] is None:
            goal("%s → PDF ≤ %.2f× browser" % (name, most), "browser: not installed", None)
        else:
            goal("%s → PDF ≤ %.2f× browser" % (name, most), "%.3f×" % (p["t"] / p["b"]), p["t"] <= most * p["b"])
    goal("photo PDF ≤ 1.05× its JPEG bytes", "%.2f× (%.1f MB for %.1f MB)" % (
        ph["pdf_bytes"] / ph["jpeg_bytes"], ph["pdf_bytes"] / 1e6, ph["jpeg_bytes"] / 1e6),
        ph["pdf_bytes"] <= 1.05 * ph["jpeg_bytes"])
    for name in ("photo", "mixed", "twenty"):
        p = info[name]
        goal("%s: JPEGs byte-identical in the PDF (pdfimages -all)" % name,
             "%d of %d" % (p["identical"], len(p["jpegs"])), p["identical"] == len(p["jpegs"]))
    for name, p in info.items():
        limit = p["dib"] + 80 * MIB
        goal("%s → PDF: peak memory ≤ DIB bytes + 80 MiB" % name,
             "%.0f MiB of %.0f MiB" % (p["peak"] / MIB, limit / MIB), p["peak"] <= limit)
    limit = tw["dib"] + 80 * MIB
    for what, key in (("PNG at 150 dpi", "png_rss"), ("preview", "preview_rss"), ("print", "print_rss")):
        if tw[key]:
            peak = max(tw[key])
            goal("twenty → %s: peak memory ≤ DIB bytes + 80 MiB" % what,
                 "%.0f MiB of %.0f MiB" % (peak / MIB, limit / MIB), peak <= limit)
    for what, peaks in (("PDF", tw["rss"]), ("print", tw["print_rss"])):
        if peaks:
            goal("twenty → %s: peak memory ≤ 100 MiB" % what, "%.0f MiB" % (max(peaks) / MIB),
                 max(peaks) <= 100 * MIB)

    print()
    print("| goal | measured | result |")
    print("|---|---|---|")
    for g in goals:
        print("| %s | %s | %s |" % g)
    failed = sum(g[2] == "FAIL" for g in goals)
    print()
    print("%d of %d goals met" % (sum(g[2] == "PASS" for g in goals), len(goals)))
    return 1 if a.strict and failed else 0


if __name__ == "__main__":
    sys.exit(main())
