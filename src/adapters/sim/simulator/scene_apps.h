#pragma once

#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/scene_reading.h"

namespace strandel::sim::scene_reading {

// One app of "apps" or "installed", with its extras and faults.
SceneApp readApp(const Node& node);
// One extra: an element of an extras bar.
ExtraSpec readExtra(const Node& node);

}  // namespace strandel::sim::scene_reading
