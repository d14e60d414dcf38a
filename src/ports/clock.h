#pragma once

namespace strandel {

// A point in time, seconds since the platform's reference date.
struct Date {
  double secondsSinceReference = 0;

  static constexpr Date distantPast() { return Date{-63114076800.0}; }
  // Seconds from `other` to this date.
  double timeIntervalSince(Date other) const {
    return secondsSinceReference - other.secondsSinceReference;
  }
  bool operator==(const Date&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Date now() = 0;
};

}  // namespace strandel
