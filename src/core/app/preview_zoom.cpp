// SPDX-License-Identifier: MIT
// The preview's zoom steps (see preview_zoom.h).
#include "core/app/preview_zoom.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace vexlan {

namespace {

// Factors within 5% of each other count as the same step, so that a whole
// page of 66% is not followed by a step to 67%.
constexpr double kSameStep = 1.05;

// One notch of a mouse wheel.
constexpr int kWheelNotch = 120;

} // namespace

void PreviewZoom::SetFit(double fit)
{
    if (fit > 0 && std::isfinite(fit))
        m_fit = fit;
}

int PreviewZoom::Percent() const
{
    return static_cast<int>(std::lround(Factor() * 100));
}

double PreviewZoom::Closest() const
{
    const double last = kLadder[std::size(kLadder) - 1];
    return m_fit * 2 > last ? m_fit * 2 : last;
}

bool PreviewZoom::CanZoomIn() const
{
    return Factor() * kSameStep < Closest();
}

bool PreviewZoom::ZoomIn()
{
    if (!CanZoomIn())
        return false;
    const double from = Factor();
    double next = Closest();
    for (double step : kLadder) {
        if (step > from * kSameStep && step < next) {
            next = step;
            break;
        }
    }
    m_factor = next;
    m_bWholePage = false;
    return true;
}

bool PreviewZoom::ZoomOut()
{
    if (m_bWholePage)
        return false;
    double previous = 0;
    for (double step : kLadder)
        if (step * kSameStep < m_factor)
            previous = step;
    // Nothing between the whole page and here: the whole page.
    if (previous <= m_fit * kSameStep)
        m_bWholePage = true;
    else
        m_factor = previous;
    return true;
}

void PreviewZoom::Click()
{
    if (!CanZoomIn()) {
        WholePage();
        return;
    }
    const double target = Factor() * 2 / kSameStep;
    while (Factor() < target && ZoomIn()) {
    }
}

void PreviewZoom::WholePage()
{
    m_bWholePage = true;
    m_wheelRest = 0;
}

bool PreviewZoom::Wheel(int angleDelta)
{
    // At most 16 notches at once: a hostile or broken device's delta
    // neither overflows the rest nor spins here.
    angleDelta = std::clamp(angleDelta, -16 * kWheelNotch, 16 * kWheelNotch);
    // A turn the other way drops what was left of the last one.
    if ((angleDelta > 0) != (m_wheelRest > 0))
        m_wheelRest = 0;
    m_wheelRest += angleDelta;
    bool changed = false;
    for (; m_wheelRest >= kWheelNotch; m_wheelRest -= kWheelNotch)
        changed = ZoomIn() || changed;
    for (; m_wheelRest <= -kWheelNotch; m_wheelRest += kWheelNotch)
        changed = ZoomOut() || changed;
    return changed;
}

} // namespace vexlan
