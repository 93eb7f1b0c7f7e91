#include "WindowLayout.h"

#include <cstdint>

namespace quorrix::layout
{

const ControlLayout &controlLayout(Control control)
{
    for (const ControlLayout &layout : Controls) {
        if (layout.control == control)
            return layout;
    }
    return Controls.front();
}

int toPixels(int twips, int dpi)
{
    const std::int64_t scaled = std::int64_t { twips } * dpi;
    const std::int64_t half = scaled < 0 ? -720 : 720;
    return static_cast<int>((scaled + half) / 1440);
}

} // namespace quorrix::layout
