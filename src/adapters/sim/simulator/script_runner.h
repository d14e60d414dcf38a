#pragma once

#include <cstddef>
#include <string>

#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/script.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/simulator/transcript.h"

namespace strandel::sim {

// An error text naming the script's file and line when the script asks for an app the
// scene does not have; empty when every reference resolves.
std::string checkScript(const Script& script, const Scene& scene);

// Runs a script on a simulator on virtual time and writes the transcript: every user event,
// every menu as shown (when it opens and whenever its rows change while open), and every
// event of the simulated Mac. Between the script's moments the machine runs as one with
// idle cores would: main-thread work first, then the serial queues, time moving only to the
// next thing due.
//
// An alert is modal: while it shows, the script's lines go on (time passes, permissions
// and apps may change) until an `answer` line answers it. Lines that need the menu while
// an alert shows, an `answer` without an alert, a row or button that does not exist, and
// a script that ends while an alert shows are errors: the run stops there with an error
// line naming the script line.
class ScriptRunner {
 public:
  ScriptRunner(Simulator& simulator, Script script, Transcript& transcript);

  // 0 when the script ran to its end (or the program quit), 1 after an error.
  int run();

 private:
  struct Stop {
    std::string message;
  };

  void drive();
  void advanceTo(double seconds);
  void execute(const ScriptCommand& command);
  size_t answerAlert(const AlertRecord& alert);
  void menuChanged();
  void printMenu(const std::string& heading);
  void printHeader();
  [[noreturn]] void fail(const ScriptCommand& command, const std::string& what);
  void requireOpenMenu(const ScriptCommand& command);

  Simulator& simulator_;
  Script script_;
  Transcript& transcript_;
  size_t next_ = 0;
  int alertDepth_ = 0;
  bool failed_ = false;
  bool shownOpen_ = false;
  bool checkPending_ = false;
  unsigned long printedCount_ = 0;
  const SimMenu* shownSubmenu_ = nullptr;
};

}  // namespace strandel::sim
