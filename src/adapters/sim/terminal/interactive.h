#pragma once

namespace strandel::sim {

class Simulator;

// Runs the program on the simulator with a person at the terminal (ncurses): the menu bar
// to scale with the notch and the extras, Strandel's status item and its menu, alerts, the
// privacy pane and the applications' launches and quits. Input is a source of the real event
// loop, so the program sleeps between events.
//
// The simulator must run on real time (Simulator::Options::time = realTime), with standard
// input and output a terminal. Returns when the person leaves or the program quits: the
// program's exit status, or 1 (after a message on standard error) when the terminal or the
// simulator cannot be used.
int runInteractive(Simulator& simulator);

}  // namespace strandel::sim
