// SPDX-License-Identifier: MIT
// Test fixture that checks the image-block allocator's books: every test
// ends with as many live blocks as it started with and no bad release.
#pragma once

#include "core/dib/image_block.h"

#include <cstddef>
#include <gtest/gtest.h>

namespace vexlan::test {

class ImageBlockBooksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        liveBefore = ImageBlockLiveCount();
        badBefore = ImageBlockBadFrees();
    }
    void TearDown() override
    {
        EXPECT_EQ(ImageBlockLiveCount(), liveBefore);
        EXPECT_EQ(ImageBlockBadFrees(), badBefore);
    }
    std::size_t liveBefore = 0;
    std::size_t badBefore = 0;
};

} // namespace vexlan::test
