// SPDX-License-Identifier: MIT
// libFuzzer target for a whole page: the input is a job file, loaded as the
// program loads one and drawn on the trace surface and, through the painter
// surface, on a 200 x 280 pixel image.
//
// So that mutation reaches real pictures and text blocks, an image or text
// block record whose path starts with a byte below 0x20 names instead one
// of a few small files made at start-up (that byte picks which): a JPEG, a
// packed JPEG, a text file and a packed text, each under every one of the
// two item types, so that wrong extensions are met too. Other paths name
// whatever they name.
#include "core/job/job_reader.h"
#include "core/job/packed_writer.h"
#include "core/job/page_item.h"
#include "core/base/bytes.h"
#include "core/render/trace_dc.h"
#include "linux/surface/page_painter.h"
#include "core/render/page_renderer.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string g_dir;
std::vector<std::string> g_paths; // the files a record's path byte can pick

bool Write(const std::string& path, const void* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

bool WritePacked(const std::string& path, const QByteArray& bytes)
{
    std::vector<uint8_t> packed;
    return vexlan::PackBytes(reinterpret_cast<const uint8_t*>(bytes.data()),
                             static_cast<std::size_t>(bytes.size()), 0x5eed, packed) &&
           Write(path, packed.data(), packed.size());
}

// Makes the fixed files in a fresh directory under TMPDIR.
void MakeFiles()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string base = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/vexlan-fuzz-page-XXXXXX";
    if (mkdtemp(base.data()) == nullptr)
        std::abort();
    g_dir = base;

    QImage picture(23, 17, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 11, y * 15, (x ^ y) * 9));
    QByteArray jpeg;
    QBuffer jpegOut(&jpeg);
    jpegOut.open(QIODevice::WriteOnly);
    if (!picture.save(&jpegOut, "JPG", 80))
        std::abort();
    const QByteArray text("first line\r\n\xd6\xd0\xce\xc4 GBK\r\n\r\nlast line without end");

    const std::string pic = g_dir + "/pic", lines = g_dir + "/lines";
    if (!Write(pic + ".jpg", jpeg.data(), static_cast<std::size_t>(jpeg.size())) ||
        !WritePacked(pic + ".bpg", jpeg) ||
        !Write(lines + ".txt", text.data(), static_cast<std::size_t>(text.size())) ||
        !WritePacked(lines + ".bin", text))
        std::abort();
    g_paths = {pic + ".jpg", pic + ".bpg", lines + ".txt", lines + ".bin"};
}

void RemoveFiles()
{
    for (const std::string& p : g_paths)
        std::remove(p.c_str());
    rmdir(g_dir.c_str());
}

// Points image and text-block records whose path starts with a control byte
// at one of the fixed files.
void MapPaths(std::string& job)
{
    using namespace vexlan;
    for (std::size_t at = JOB_HEADER_SIZE; at + record::kSize <= job.size(); at += record::kSize) {
        auto* rec = reinterpret_cast<uint8_t*>(job.data() + at);
        const int32_t type = ReadI32LE(rec + record::kType);
        char* text = reinterpret_cast<char*>(rec + record::kText);
        const auto pick = static_cast<uint8_t>(text[0]);
        if ((type != ITEM_IMAGE && type != ITEM_TEXTBLOCK) || pick >= 0x20 || pick == 0)
            continue;
        const std::string& path = g_paths[pick % g_paths.size()];
        std::memset(text, 0, record::kTextSize);
        std::memcpy(text, path.data(), std::min(path.size(), record::kTextSize - 1));
    }
}

} // namespace

// Fontconfig keeps the patterns Qt's font database asks it for until the
// process ends, with no pointer left that the leak checker can see; they
// grow with the fonts a page names, not with the pages drawn.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    MakeFiles();
    std::atexit(RemoveFiles);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace vexlan;
    static const std::string jobPath = g_dir + "/job.set";
    std::string job(reinterpret_cast<const char*>(data), size);
    MapPaths(job);
    if (!Write(jobPath, job.data(), job.size()))
        return 0;
    CPageItemArray items;
    LoadPrintJob(jobPath, items);

    CTraceDC trace;
    try {
        RenderPage(&trace, items);
    } catch (const std::bad_alloc&) {
        // a page too large to record ends early; the checks below still hold
    }
    if (trace.LiveObjects() != 0 || trace.SelectedFont() != HFONT{CTraceDC::kStockFont} ||
        trace.SelectedPen() != HPEN{CTraceDC::kStockPen})
        __builtin_trap();

    QImage image(200, 280, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PaintPage(painter, items);
    }
    FreePageItems(items);
    return 0;
}
