// SPDX-License-Identifier: MIT
// COcclusionQueue: the backward walk over a page's operations.
#include "linux/surface/occlusion_queue.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <map>

namespace vexlan {

namespace {

int64_t Area(const QRect& r) { return r.isEmpty() ? 0 : int64_t(r.width()) * r.height(); }

// How much of `r` the rectangles of `region` cover (they never overlap).
int64_t CoveredArea(const QRegion& region, const QRect& r)
{
    int64_t area = 0;
    for (const QRect& piece : region)
        area += Area(piece.intersected(r));
    return area;
}

// Disjoint stretches [from, to) of a track, kept merged.
class Stretches {
public:
    // Whether any of [from, to) is not yet covered.
    bool AnyUncovered(int from, int to) const
    {
        if (from >= to)
            return false;
        auto it = m_runs.upper_bound(from);
        return it == m_runs.begin() || std::prev(it)->second < to;
    }
    // The parts of [from, to) not yet covered.
    std::vector<std::pair<int, int>> Uncovered(int from, int to) const
    {
        std::vector<std::pair<int, int>> gaps;
        auto it = m_runs.upper_bound(from);
        if (it != m_runs.begin() && std::prev(it)->second > from)
            from = std::prev(it)->second;
        for (; from < to; ++it) {
            const int next = it == m_runs.end() ? to : std::min(to, it->first);
            if (from < next)
                gaps.emplace_back(from, next);
            if (it == m_runs.end())
                break;
            from = std::max(from, it->second);
        }
        return gaps;
    }
    void Cover(int from, int to)
    {
        if (from >= to)
            return;
        auto it = m_runs.upper_bound(from);
        if (it != m_runs.begin() && std::prev(it)->second >= from) {
            --it;
            from = it->first;
            to = std::max(to, it->second);
        }
        while (it != m_runs.end() && it->first <= to) {
            to = std::max(to, it->second);
            it = m_runs.erase(it);
        }
        m_runs.emplace(from, to);
    }

private:
    std::map<int, int> m_runs; // from -> to
};

} // namespace

void COcclusionQueue::Add(const QRect& ink, const QRect& opaque, const LineKey* line, const Track* track)
{
    Op op;
    op.ink = ink;
    op.opaque = opaque.intersected(ink);
    if (line != nullptr) {
        op.isLine = true;
        op.line = *line;
    }
    if (track != nullptr) {
        op.onTrack = true;
        op.track = *track;
    }
    m_ops.push_back(op);
}

std::vector<COcclusionQueue::Verdict> COcclusionQueue::Decide(bool parts) const
{
    std::vector<Verdict> verdicts(m_ops.size());
    QRegion covered;
    QRect coveredBounds;
    // The largest opaque parts also on their own: they still hide what lies
    // under one of them once the region has stopped growing.
    std::array<QRect, kLargest> largest{};
    QSet<LineKey> laterLines;
    QHash<Track, Stretches> tracks;
    for (std::size_t i = m_ops.size(); i-- > 0;) {
        const Op& op = m_ops[i];
        Verdict& verdict = verdicts[i];
        if (op.ink.isEmpty() || (op.isLine && laterLines.contains(op.line)))
            continue;
        if (std::any_of(largest.begin(), largest.end(), [&](const QRect& r) { return r.contains(op.ink); }))
            continue;
        if (op.onTrack && op.track.image) {
            // A row of the final image: hidden when later lines of the row
            // cover all of it. It covers its own stretch either way (what it
            // does not paint there, later drawing paints over).
            const Track& t = op.track;
            Stretches& row = tracks[t];
            const auto gaps = row.Uncovered(t.inkFrom, t.inkTo);
            row.Cover(t.coverFrom, t.coverTo);
            if (gaps.empty())
                continue;
            if (t.exact && !coveredBounds.intersects(op.ink)) {
                verdict.visible = verdict.partly = verdict.inImage = true;
                const int across = static_cast<int>(t.across);
                for (const auto& [from, to] : gaps)
                    verdict.part += t.vertical ? QRect(across, from, 1, to - from) : QRect(from, across, to - from, 1);
                if (op.isLine)
                    laterLines.insert(op.line); // a hairline: nothing of it is opaque
                continue;
            }
        }
        const bool cutAlong = op.onTrack && !op.track.image;
        // Clear of each of the covered rectangles, though perhaps within
        // their bounds (lines of text side by side): nothing to cut away.
        const bool underCover = covered.intersects(op.ink);
        if (!parts && !cutAlong) {
            // Only whether it shows: the covered area's rectangles do not
            // overlap, so the ink is hidden when the parts of them within
            // it add up to all of it.
            if (underCover && CoveredArea(covered, op.ink) >= Area(op.ink))
                continue;
        }
        const bool cut = parts || cutAlong;
        QRegion part;
        if (cut && (underCover || cutAlong))
            part = underCover ? QRegion(op.ink).subtracted(covered) : QRegion(op.ink);
        if (cutAlong && !part.isEmpty()) {
            // Along the track, only the stretches no later line covers.
            const Track& t = op.track;
            const auto gaps = tracks[t].Uncovered(t.inkFrom, t.inkTo);
            QRegion open;
            for (const auto& [from, to] : gaps)
                open += t.vertical ? QRect(op.ink.left(), from, op.ink.width(), to - from)
                                   : QRect(from, op.ink.top(), to - from, op.ink.height());
            part = part.intersected(open);
            tracks[t].Cover(t.coverFrom, t.coverTo);
        }
        if (cut && (underCover || cutAlong) && part.isEmpty())
            continue;
        verdict.visible = true;
        verdict.partly = cut && (underCover || cutAlong) && part != QRegion(op.ink);
        if (verdict.partly)
            verdict.part = std::move(part);
        if (op.isLine)
            laterLines.insert(op.line);
        if (op.opaque.isEmpty())
            continue;
        if (covered.rectCount() < kMaxCoverRects) {
            covered += op.opaque;
            coveredBounds = covered.boundingRect();
        }
        const auto smallest = std::min_element(largest.begin(), largest.end(), [](const QRect& a, const QRect& b) {
            return Area(a) < Area(b);
        });
        if (Area(op.opaque) > Area(*smallest))
            *smallest = op.opaque;
    }
    return verdicts;
}

} // namespace vexlan
