// Ctrl+C in the terminal during a run (or Ctrl+Break, or the console window closing): the run's
// files are thrown away and the program ends at once with code 130, whatever the script is doing
// then: a plug-in call, a picture of a large scene or a file being written. Everything the run
// writes is in its own folder, so nothing needs finishing first; and under xvfb-run the X server
// ends on the same Ctrl+C, taking with it any program that still draws.
#pragma once

#include "workbench/app/OutputFolder.h"

namespace workbench {

// From now on Ctrl+C stops the calling thread (the run's), closes the files it has open,
// discards folder (its run folder and the folders it made), says so on stderr and ends the
// process with code 130, within a second or two. folder must stay valid until
// EndStopOnInterrupt and keep its run folder and made folders as they are now.
void StopOnInterrupt(OutputFolder* folder);
// Ctrl+C no longer stops the run (its files are in place, or discarded already). Called while
// PlacingRunFiles is held, around the commit, so that a Ctrl+C during the commit lets it finish.
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
