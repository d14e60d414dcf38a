#include "app/links.h"

namespace strandel {

const URL& Links::donate() {
  static const URL address{"https://tips.quillet.app/harrowlark"};
  return address;
}

}  // namespace strandel
