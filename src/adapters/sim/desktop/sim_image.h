#pragma once

#include <string>

#include "ports/image.h"

namespace strandel::sim {

// An image as the terminal shows it: one glyph (UTF-8) in a named colour.
class SimImage final : public Image {
 public:
  SimImage(std::string glyph, std::string colour, Size size = Size{16, 16},
           std::string accessibilityDescription = {});

  ImageRef copy() const override;
  Size size() const override { return size_; }
  void setSize(Size size) override { size_ = size; }
  bool isTemplate() const override { return template_; }
  void setTemplate(bool isTemplate) override { template_ = isTemplate; }
  std::string accessibilityDescription() const override { return description_; }

  const std::string& glyph() const { return glyph_; }
  const std::string& colour() const { return colour_; }

 private:
  std::string glyph_;
  std::string colour_;
  Size size_;
  bool template_ = false;
  std::string description_;
};

// The system symbols the simulated desktop knows; any other name has no image.
class SimImages final : public Images {
 public:
  ImageRef systemSymbol(const std::string& name,
                        const std::string& accessibilityDescription) override;
  static bool knowsSymbol(const std::string& name);
};

}  // namespace strandel::sim
