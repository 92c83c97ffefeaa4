// Ctrl+C in the terminal (or Ctrl+Break, or the console window closing): the program ends at once
// with code 130, whatever it is doing then: a plug-in call, a picture of a large scene, a file
// being written, the interactive view. Everything a run writes is in its own folder inside --out,
// so nothing needs finishing first; that folder is removed by the next run into the same --out
// (its lock goes with the process). Ending at once, from the console's handler thread, is the one
// thing that cannot wait on a lock the stopped thread holds (the heap's, the loader's).
// wine-run.sh ends a program that still runs two seconds after Ctrl+C, for the case where Wine
// cannot even start the handler's thread.
#pragma once

namespace workbench {

// From now on Ctrl+C ends the process with code 130 and says so on stderr. Called first thing in
// main and again at the start of every run (after a run, it is off: see EndStopOnInterrupt).
void StopOnInterrupt();
// Ctrl+C no longer ends the process: the run's files are in place or thrown away, and the process
// ends by itself with its own code. Called while PlacingRunFiles is held, around the commit.
void EndStopOnInterrupt();

// Held while the run moves its files into place (it may be held again by the same thread):
// Ctrl+C then waits for the end of the move, so that --out is never left half updated.
class PlacingRunFiles {
  public:
    PlacingRunFiles();
    ~PlacingRunFiles();
    PlacingRunFiles(const PlacingRunFiles&) = delete;
    PlacingRunFiles& operator=(const PlacingRunFiles&) = delete;
};

}  // namespace workbench
