// SPDX-License-Identifier: MIT
// The preview's page range (see preview_pages.h).
#include "core/app/preview_pages.h"

namespace vexlan {

void PreviewPages::Next()
{
    if (CanNext())
        ++m_first;
}

void PreviewPages::Prev()
{
    if (CanPrev())
        --m_first;
}

void PreviewPages::SetShown(unsigned shown)
{
    m_shown = shown == 2 ? 2 : 1;
    if (Last() > kMaxPage)
        m_first = kMaxPage - m_shown + 1;
}

void PreviewPages::ShowOnly(unsigned index)
{
    if (index < m_shown)
        m_first += index;
    m_shown = 1;
}

} // namespace vexlan
