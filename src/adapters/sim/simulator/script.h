#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A script of user events on virtual time, read from a text file. The format is documented
// in docs/script-format.md.
namespace strandel::sim {

struct ScriptCommand {
  enum class Kind {
    hover,     // the pointer enters the status item
    open,      // a click on the status item opens its menu
    close,     // the open menu closes without a choice
    choose,    // a row of the open menu, by `index` or by `text` (its title)
    key,       // the open menu's row whose key equivalent is `text`
    answer,    // the alert on screen, by button `index` or `text`
    grant,     // the user grants the permission in the privacy pane
    withdraw,  // the user withdraws it there
    launch,    // the app `text` (a name or a pid) starts
    quit,      // the app `text` quits
    hold,      // the user holds the modifier key `text` ("option") down
    release,   // and lets it go
    shortcut,  // the global shortcut `text` ("ctrl+opt+cmd+space") is pressed
    type,      // `text` is typed into the open menu (into its search field, once focused)
    enter,     // Return in the open menu: the highlighted row is chosen
    up,        // the arrow keys move the open menu's highlight
    down,
    escape,  // Escape: a search field's text goes first, then the menu closes
    erase,   // Delete in the focused search field
  };
  Kind kind = Kind::hover;
  int line = 0;    // in the script file
  double at = 0;   // seconds after start
  long index = 0;  // 1-based; 0 when `text` is used
  std::string text;
};

struct Script {
  std::string name;  // the file, for messages
  std::vector<ScriptCommand> commands;
  double endsAt = 0;  // the run goes on until then (trailing waits included)
};

struct ScriptLoad {
  std::optional<Script> script;
  std::string error;
};

// Messages name the file and the line: "demo.script:4: unknown command ...".
ScriptLoad parseScript(std::string_view text, const std::string& fileName);
ScriptLoad loadScriptFile(const std::string& path);

// The demonstration script that ships with the program: resources/scenes/demo.script.
std::string defaultScriptPath();

// The command as a script line would write it (without the time), for the transcript.
std::string describe(const ScriptCommand& command);

}  // namespace strandel::sim
