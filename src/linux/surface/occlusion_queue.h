// SPDX-License-Identifier: MIT
// COcclusionQueue: decides which of a page's drawing operations can show
// at all, once the page is complete.
//
// The painter surface holds a page's operations back and lists each here
// with the device pixels it may touch (its ink) and the pixels it certainly
// paints over in a solid colour (its opaque part, often empty). Walking the
// list from the last operation to the first, an operation whose ink lies
// wholly inside the opaque parts of the operations after it is hidden: it
// would be painted over pixel for pixel, so drawing it changes nothing. An
// operation that is partly covered can be drawn clipped to the rest.
// This bounds pages that draw the same place again and again (a text block
// whose lines all fall into one slot, a hundred full-page images, frames
// nested a thousand deep): only what stays visible costs anything.
//
// Solid lines carry more: two with the same geometry and width touch
// exactly the same pixels, so the earlier one is hidden by the later
// whatever its colour; and horizontal or vertical ones on the same track
// (direction, position across, width) cover the same pixels across it, so
// along the track only the stretches already covered count. A track may
// also be counted in pixels of the final image when the device's pixels are
// scaled onto it (a preview): there a line is hidden when the later lines
// of its row cover all of it, and otherwise painted where they do not.
#pragma once

#include <QHashFunctions>
#include <QLineF>
#include <QRect>
#include <QRegion>

#include <vector>

namespace vexlan {

class COcclusionQueue {
public:
    // The geometry of a solid line as the device draws it.
    struct LineKey {
        QLineF line; // end points in device pixels, in a fixed order
        double width = 0;
        friend bool operator==(const LineKey& a, const LineKey& b)
        {
            return a.line == b.line && a.width == b.width;
        }
        friend size_t qHash(const LineKey& key, size_t seed = 0) noexcept
        {
            return qHashMulti(seed, key.line.x1(), key.line.y1(), key.line.x2(), key.line.y2(), key.width);
        }
    };
    // A horizontal or vertical solid line's place on its track: the pixels
    // along it that it may touch, [inkFrom, inkTo), and those it certainly
    // covers, [coverFrom, coverTo), counted along the track. With `image`,
    // the track is a row or column of the final image rather than of the
    // device; `exact` then says that [inkFrom, inkTo) are exactly the pixels
    // the line paints, so that it may be painted only where it shows.
    struct Track {
        bool vertical = false;
        bool image = false;
        bool exact = false;
        double across = 0; // x of a vertical line, y of a horizontal one
        double width = 0;
        int inkFrom = 0, inkTo = 0;
        int coverFrom = 0, coverTo = 0;
        friend bool operator==(const Track& a, const Track& b)
        {
            return a.vertical == b.vertical && a.image == b.image && a.across == b.across && a.width == b.width;
        }
        friend size_t qHash(const Track& t, size_t seed = 0) noexcept
        {
            return qHashMulti(seed, t.vertical, t.image, t.across, t.width);
        }
    };

    // Appends an operation. `ink` bounds every pixel it may change;
    // `opaque` (may be empty) lies inside `ink` and is painted over
    // entirely. `line` is set for a solid line, `track` for a horizontal or
    // vertical one.
    void Add(const QRect& ink, const QRect& opaque, const LineKey* line = nullptr, const Track* track = nullptr);

    // What of an operation can show on the page: nothing, all of it, or
    // only `part` (the pixels of its ink that no later operation covers;
    // pixels of the final image when `inImage`).
    struct Verdict {
        bool visible = false;
        bool partly = false;
        bool inImage = false;
        QRegion part;
    };
    // The verdicts for all operations, in order. Without `parts`, only
    // whether each shows (no verdict is partly; cheaper): for a device
    // that draws every visible operation whole. Lines on a track are cut
    // either way.
    std::vector<Verdict> Decide(bool parts = true) const;

    std::size_t Size() const { return m_ops.size(); }
    const QRect& Ink(std::size_t i) const { return m_ops[i].ink; }
    void Clear() { m_ops.clear(); }

    // Most rectangles the covered area is kept in: past this, more opaque
    // parts are no longer added (fewer operations are found hidden, and
    // each test stays cheap).
    static constexpr int kMaxCoverRects = 256;
    // How many of the largest opaque parts are kept besides.
    static constexpr std::size_t kLargest = 8;

private:
    struct Op {
        QRect ink;
        QRect opaque;
        bool isLine = false;
        bool onTrack = false;
        LineKey line;
        Track track;
    };
    std::vector<Op> m_ops;
};

} // namespace vexlan
