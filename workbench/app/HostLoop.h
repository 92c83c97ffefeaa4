// The modeller's idle loop, as the workbench program runs it: window messages dispatched, and every
// view refresh the plug-in asked for answered with a timed redraw.
#pragma once

#include <stdint.h>

#include <vector>

namespace workbench {

// Dispatches this thread's pending window messages and sends the change events of a document
// change the plug-in made (wb::DeliverDocumentChange), then runs one redraw if one is pending,
// and repeats until nothing is pending (at most 64 redraws, so that a plug-in asking again in
// every redraw cannot hang the program). Appends each redraw's duration in milliseconds to
// *times (may be null). Returns the number of redraws.
int32_t AnswerRefreshes(std::vector<double>* times);

}  // namespace workbench
