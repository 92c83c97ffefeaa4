#pragma once

namespace common {

// Milliseconds on a monotonic clock (QueryPerformanceCounter; an arbitrary origin).
double NowMs();

}  // namespace common
