#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ports/accessibility.h"
#include "ports/geometry.h"

// The values the simulated Accessibility interface hands out. Each one is counted while it
// lives, so tests can check that everything obtained was released.
namespace strandel::sim {

using ExtraID = uint64_t;

// The type ids that CFGetTypeID answers for the simulated values.
enum SimTypeID : TypeID {
  kElementTypeID = 101,
  kValueTypeID = 102,
  kStringTypeID = 103,
  kArrayTypeID = 104,
  kNumberTypeID = 105,
  kOpaqueTypeID = 106,
  kBooleanTypeID = 107,
};

// Values handed out and not yet released, across every simulated desktop.
long liveAXObjects();

class SimAXObject : public AXObject {
 public:
  SimAXObject();
  SimAXObject(const SimAXObject&) = delete;
  SimAXObject& operator=(const SimAXObject&) = delete;
  ~SimAXObject() override;
  virtual TypeID typeID() const = 0;
};

// systemWide: the one element of no application, whose time-out is every element's default.
enum class ElementKind { application, extrasBar, extra, systemWide };

// Which element of which process an element object stands for. A process that quits and
// comes back under the same pid has a new generation, so old elements stay dead.
struct ElementAddress {
  uint64_t desktop = 0;
  ElementKind kind = ElementKind::application;
  ProcessID pid = 0;
  uint64_t generation = 0;  // 0: no such process when the element was made
  ExtraID extra = 0;        // extras only
  bool operator==(const ElementAddress&) const = default;
};

class SimElement final : public SimAXObject {
 public:
  explicit SimElement(ElementAddress address) : address_(address) {}
  TypeID typeID() const override { return kElementTypeID; }
  const ElementAddress& address() const { return address_; }

  // Each element object carries its own messaging timeout, as the platform's do; 0 is the
  // platform default. It is set through a shared const reference, hence atomic and mutable.
  float messagingTimeout() const { return timeout_.load(); }
  void setMessagingTimeout(float seconds) const { timeout_.store(seconds); }

 private:
  const ElementAddress address_;
  mutable std::atomic<float> timeout_{0};
};

// An Accessibility value: a point (value type 1), a size (2), a rectangle (3) or the error
// code (5) that stands in for an attribute a multiple-attribute read could not read.
class SimValue final : public SimAXObject {
 public:
  enum class Kind { point = 1, size = 2, rect = 3, axError = 5 };
  static AXRef point(Point p);
  static AXRef size(Size s);
  static AXRef error(AXError error);
  TypeID typeID() const override { return kValueTypeID; }
  Kind kind() const { return kind_; }
  double first() const { return a_; }
  double second() const { return b_; }

  SimValue(Kind kind, double a, double b) : kind_(kind), a_(a), b_(b) {}

 private:
  Kind kind_;
  double a_;
  double b_;
};

class SimString final : public SimAXObject {
 public:
  explicit SimString(std::string text) : text_(std::move(text)) {}
  TypeID typeID() const override { return kStringTypeID; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

class SimNumber final : public SimAXObject {
 public:
  explicit SimNumber(double value) : value_(value) {}
  TypeID typeID() const override { return kNumberTypeID; }
  double value() const { return value_; }

 private:
  double value_;
};

class SimBoolean final : public SimAXObject {
 public:
  explicit SimBoolean(bool value) : value_(value) {}
  TypeID typeID() const override { return kBooleanTypeID; }
  bool value() const { return value_; }

 private:
  bool value_;
};

// A value of a type that no request of the program expects (a date, an address).
class SimOpaque final : public SimAXObject {
 public:
  TypeID typeID() const override { return kOpaqueTypeID; }
};

class SimArray final : public SimAXObject {
 public:
  explicit SimArray(std::vector<AXRef> values) : values_(std::move(values)) {}
  TypeID typeID() const override { return kArrayTypeID; }
  const std::vector<AXRef>& values() const { return values_; }

 private:
  std::vector<AXRef> values_;
};

}  // namespace strandel::sim
