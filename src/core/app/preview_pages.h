// SPDX-License-Identifier: MIT
// The page numbers the preview steps through. The view sets no page count,
// so the preview works over the print machinery's default range, pages 1 to
// 65535 (0xFFFF), and every page number draws the same page. One or two
// pages are shown side by side; both are always inside the range, so the
// two-page view never shows an empty place.
#pragma once

namespace vexlan {

class PreviewPages {
public:
    static constexpr unsigned kMinPage = 1;
    static constexpr unsigned kMaxPage = 0xFFFF;

    unsigned First() const { return m_first; }
    unsigned Last() const { return m_first + m_shown - 1; }
    unsigned Shown() const { return m_shown; }

    bool CanNext() const { return Last() < kMaxPage; }
    bool CanPrev() const { return m_first > kMinPage; }
    // A page on or back, as the toolbar's 下一页 and 上一页 step: by one page
    // also when two are shown. Nothing past either end of the range.
    void Next();
    void Prev();

    // One or two pages (anything else counts as one); going to two at the
    // last page shows the last two.
    void SetShown(unsigned shown);
    // The `index`th page shown (0 or 1) alone, as a click on it in the
    // two-page view shows it.
    void ShowOnly(unsigned index);

private:
    unsigned m_first = kMinPage;
    unsigned m_shown = 1;
};

} // namespace vexlan
