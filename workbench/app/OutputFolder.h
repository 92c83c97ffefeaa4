// The output folder of a run (--out). Everything the run writes goes first into a folder of its
// own inside it; only a run that succeeds moves its files into place. So a failed run leaves the
// output folder as it found it, and removes it again when the run made it.
#pragma once

#include <string>
#include <vector>

namespace workbench {

struct OutputFolder {
    std::string given;                    // --out as the person typed it
    std::string final;                    // its full path
    std::string work;                     // full path of the run's own folder inside it
    std::vector<std::string> madeFolders;  // folders the run created, outermost first
    void* lock = nullptr;                  // open while the run lives (see OpenOutputFolder)
};

// Creates the output folder (with the folders above it) and the run's own folder in it, and removes
// the folders of earlier runs that ended without cleaning up (killed, or their X server gone):
// each run keeps a file in its folder open, which no one can delete while it lives. False with
// *error naming --out when it cannot.
bool OpenOutputFolder(const std::string& given, OutputFolder* folder, std::string* error);
// Full path of a file in the run's own folder.
std::string WorkFile(const OutputFolder& folder, const char* name);
// The file once in place, as the person would name it ("out/demo/before.png").
std::string ShownFile(const OutputFolder& folder, const char* name);
// message with every path inside the run's own folder named as it will be once in place.
std::string ShownText(const OutputFolder& folder, const std::string& message);
// Moves the run's files into the output folder (replacing older ones) and removes the run's
// folder. False with *error when a file cannot be moved.
bool CommitOutputFolder(OutputFolder* folder, std::string* error);
// Deletes the run's folder with everything in it, and the folders the run made when they are
// empty.
void DiscardOutputFolder(OutputFolder* folder);

// The full path of a file or folder name, with backslashes.
std::string FullPath(const std::string& path);

}  // namespace workbench
