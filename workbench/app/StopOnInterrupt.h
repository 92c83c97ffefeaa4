// Ctrl+C in the terminal during a run (or Ctrl+Break, or the console window closing): the run's
// files are thrown away and the program ends at once with code 130, whatever the script is doing
// then. Waiting for the script to notice could take long (a plug-in redraw or a picture of a
// large scene), and under xvfb-run the X server ends on the same Ctrl+C, taking with it any
// program that still draws.
#pragma once

#include "workbench/app/OutputFolder.h"

namespace workbench {

// From now on Ctrl+C discards folder (DiscardOutputFolder), says so on stderr and ends the
// process with code 130. folder must stay valid until EndStopOnInterrupt.
void StopOnInterrupt(OutputFolder* folder);
// Ctrl+C no longer stops the run (its files are in place, or discarded already). Called while
// WritingRunFiles is held, around the commit, so that a Ctrl+C during the commit lets it finish.
void EndStopOnInterrupt();

// Held while the run writes a file or moves its files into place (it may be held again by the
// same thread): Ctrl+C then waits for the end of the write, so that no file is written after the
// run's folder was removed, nor is --out left half updated.
class WritingRunFiles {
public:
    WritingRunFiles();
    ~WritingRunFiles();
    WritingRunFiles(const WritingRunFiles&) = delete;
    WritingRunFiles& operator=(const WritingRunFiles&) = delete;
};

}  // namespace workbench
