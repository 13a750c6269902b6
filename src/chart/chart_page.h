#pragma once
#include <cstdint>

namespace qh {

// A page of the main window; for the three chart pages also the chart kind
// handed to chart rendering.
enum class ChartPage : std::int32_t { Bar = 0, Pie = 1, Line = 2, Source = 10 };

}  // namespace qh
