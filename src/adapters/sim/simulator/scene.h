#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "adapters/sim/desktop/desktop.h"
#include "adapters/sim/system/sim_hot_keys.h"
#include "ports/login_items.h"
#include "ports/process_info.h"
#include "ports/user_defaults.h"

// A scene: the simulated Mac that the program starts on, read from a JSON file. The format
// is documented in docs/scene-format.md.
namespace strandel::sim {

struct IconSpec {
  std::string glyph;
  std::string colour;
  bool operator==(const IconSpec&) const = default;
};

struct SceneApp {
  AppSpec definition;  // the icon is made from `icon` each time the app launches
  std::optional<IconSpec> icon;
};

// What the loopback update server answers to one request.
struct ServerAnswer {
  enum class Kind {
    content,     // `status` with `body`
    disconnect,  // the connection closes without an answer
    silence,     // the server never answers; the client gives up after its time-out
  };
  Kind kind = Kind::content;
  int status = 200;
  std::string body;  // "{server}" stands for the server's own address
  std::string contentType = "application/json";
  double delay = 0.05;  // seconds until the answer arrives (virtual time in scripts)
};

struct UpdateServerSpec {
  bool offline = true;  // nothing listens: every request fails at once
  // The n-th request gets the n-th answer; the last one repeats.
  std::vector<ServerAnswer> answers;
};

struct LoginItemSpec {
  LoginItemStatus status = LoginItemStatus::notRegistered;
  std::optional<std::string> failure;  // every change fails with this description
};

// A change at a given time after start.
struct SceneEvent {
  enum class Kind { launch, quit, accessibility };
  double at = 0;
  Kind kind = Kind::launch;
  ProcessID pid = 0;     // launch, quit
  bool granted = false;  // accessibility
};

// The system's version, as NSProcessInfo tells it.
struct SystemSpec {
  OperatingSystemVersion version{15, 0, 0};
  std::string description = "Version 15.0 (simulated)";
};

struct Scene {
  std::string name;
  SystemSpec os;
  std::optional<ScreenSpec> screen;     // the one holding the menu bar
  std::vector<ScreenSpec> moreScreens;  // the other displays, in NSScreen.screens order
  size_t mainScreen = 0;                // of all screens, the one with the keyboard focus
  bool accessibilityGranted = false;
  ProcessID selfPid = 4242;
  // The program's own status item as the system placed it: the one extra of its own process.
  // None: drawn at the right end of the menu bar, and not among the Accessibility elements.
  std::optional<ExtraSpec> selfItem;
  std::optional<std::string> version;  // none: the program's own version
  std::vector<SceneApp> apps;          // running at start, in workspace order
  std::vector<SceneApp> installed;     // not running at start; launched later
  std::vector<SceneEvent> timeline;    // ordered by time, ties in file order
  UpdateServerSpec updateServer;
  std::map<std::string, DefaultsValue> defaults;
  LoginItemSpec loginItem;
  std::vector<TakenHotKey> hotKeysTaken;  // held by other apps or the system

  // Every screen, the one holding the menu bar first.
  std::vector<ScreenSpec> screens() const;
  // An app of `apps` or `installed` by pid.
  const SceneApp* findApp(ProcessID pid) const;
  // The pid of the one app (running or installed) with this name, or of the app with
  // this pid written in decimal. An error text when there is none or the name is ambiguous.
  std::variant<ProcessID, std::string> resolveApp(std::string_view reference) const;
};

// The outcome of loading: a whole scene, or a message naming the file, the place and the
// fault. A scene is never half-loaded.
struct SceneLoad {
  std::optional<Scene> scene;
  std::string error;
};

// `fileName` only names the source in messages.
SceneLoad parseScene(std::string_view text, const std::string& fileName);
SceneLoad loadSceneFile(const std::string& path);

// The scene that ships with the program: resources/scenes/default.json.
std::string defaultScenePath();

// The names used in scene files.
std::optional<AXError> axErrorNamed(std::string_view name);
std::string_view nameOf(AXError error);
std::string_view nameOf(ActivationPolicy policy);
std::string_view nameOf(LoginItemStatus status);
// The colours an icon may have.
const std::vector<std::string>& iconColours();

}  // namespace strandel::sim
