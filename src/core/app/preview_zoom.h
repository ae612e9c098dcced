// SPDX-License-Identifier: MIT
// The preview's zoom: whole page, or a factor from a fixed ladder, with the
// steps the toolbar, the keys, Ctrl+wheel and a click on the page take. A
// factor of 1 shows the page as large on the screen as on paper (at the
// screen's logical resolution); the whole-page factor is whatever fits the
// window and is told by the window whenever its size or the number of pages
// shown changes. Kept apart from any widget so that every platform's preview
// zooms alike.
#pragma once

namespace vexlan {

class PreviewZoom {
public:
    // The fixed factors above the whole page; the closest is 4 (400%),
    // unless the whole page is already more than half of that.
    static constexpr double kLadder[] = {0.1, 0.25, 0.33, 0.5, 0.67, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};

    // The factor that fits the pages shown in the window. Ignored unless
    // positive and finite.
    void SetFit(double fit);
    double Fit() const { return m_fit; }

    bool IsWholePage() const { return m_bWholePage; }
    double Factor() const { return m_bWholePage ? m_fit : m_factor; }
    // The factor in percent, rounded, as the status line shows it.
    int Percent() const;
    // The closest view: the last step of the ladder, or twice the whole page
    // on a screen so large that it shows the page bigger than that.
    double Closest() const;

    bool CanZoomIn() const;
    bool CanZoomOut() const { return !m_bWholePage; }

    // One step closer: the next factor of the ladder (never beyond Closest).
    // Returns false when there is none.
    bool ZoomIn();
    // One step back: the previous factor of the ladder, or the whole page
    // once no step is left above it. Returns false at the whole page.
    bool ZoomOut();
    // A click on the page: steps closer until the view is at least about
    // twice as large; from the closest view, back to the whole page.
    void Click();
    void WholePage();

    // Ctrl+wheel: a step per notch (120 units, as wheels report them), the
    // rest of smaller deltas (touchpads) kept for the next. Positive zooms
    // in. Returns true when the factor changed.
    bool Wheel(int angleDelta);

private:
    double m_fit = 1;
    double m_factor = 1;
    bool m_bWholePage = true;
    int m_wheelRest = 0;
};

} // namespace vexlan
