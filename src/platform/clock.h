#pragma once

// Time as the time estimate needs it. A seam, so tests choose the time.

namespace corvella {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since midnight, local time, with fractions.
  virtual double seconds_since_midnight() = 0;
};

Clock& system_clock();

}  // namespace corvella
