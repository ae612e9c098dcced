// SPDX-License-Identifier: MIT
// COcclusionQueue asked only whether each operation shows (as a PDF asks)
// hides what the exact walk, which cuts covered parts away, hides.
#include "linux/surface/occlusion_queue.h"

#include <gtest/gtest.h>

#include <random>

using namespace vexlan;

namespace {

void ExpectSameVisibility(const COcclusionQueue& queue)
{
    const auto exact = queue.Decide(true), cheap = queue.Decide(false);
    ASSERT_EQ(exact.size(), cheap.size());
    for (std::size_t i = 0; i < exact.size(); ++i) {
        EXPECT_EQ(cheap[i].visible, exact[i].visible) << "operation " << i;
        EXPECT_TRUE(!cheap[i].partly || exact[i].partly);
    }
}

TEST(OcclusionQueue, ShowingIsDecidedAlikeWithoutCutting)
{
    // Covered exactly by two later pieces side by side; short of that by
    // one pixel column; partly covered; under nothing.
    COcclusionQueue queue;
    queue.Add({10, 10, 20, 10}, {});
    queue.Add({0, 0, 20, 40}, {});
    queue.Add({100, 100, 5, 5}, {});
    queue.Add({10, 10, 10, 10}, {10, 10, 10, 10});
    queue.Add({20, 5, 10, 30}, {20, 5, 10, 30});
    queue.Add({0, 0, 19, 40}, {0, 0, 19, 40});
    // Two lines on one track, the later one over all of the earlier.
    COcclusionQueue::Track track;
    track.across = 50;
    track.width = 3;
    track.inkTo = track.coverTo = 20;
    queue.Add({0, 49, 20, 3}, {}, nullptr, &track);
    queue.Add({0, 49, 20, 3}, {}, nullptr, &track);
    ExpectSameVisibility(queue);
    EXPECT_FALSE(queue.Decide(false)[0].visible || queue.Decide(false)[6].visible);
}

TEST(OcclusionQueue, RandomPagesAreDecidedAlikeWithoutCutting)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> at(0, 60), size(1, 30), coin(0, 2);
    for (int page = 0; page < 200; ++page) {
        COcclusionQueue queue;
        for (int op = 0; op < 40; ++op) {
            const QRect ink(at(random), at(random), size(random), size(random));
            queue.Add(ink, coin(random) == 0 ? QRect() : ink.adjusted(1, 1, -1, -1));
        }
        ExpectSameVisibility(queue);
    }
}

} // namespace
