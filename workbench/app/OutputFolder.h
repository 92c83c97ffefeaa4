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
    struct Elsewhere {
        std::string work;   // full path in the run's own folder
        std::string final;  // full path where it goes
        std::string given;  // as the person typed it
    };
    std::vector<Elsewhere> elsewhere;      // files placed outside the output folder (--save)
    std::vector<std::string> placed;       // after the commit: the files put in the output folder
                                           // (their names in it, by name) and elsewhere (as given)
    std::vector<std::string> placedElsewhere;
    void* lock = nullptr;                  // open while the run lives (see OpenOutputFolder)
    void* folderLock = nullptr;            // held on the output folder while the run lives
};

// Creates the output folder (with the folders above it) and the run's own folder in it, and removes
// the folders of earlier runs that ended without cleaning up (killed, or their X server gone):
// each run keeps a file in its folder open, which no one can delete while it lives. False with
// *error naming --out and what is wrong (a file of that name, a folder that cannot be created or
// written) when it cannot. The output folder is held for the whole run (until the commit or the
// discard, or the end of the process): while one run holds it, another into the same folder fails
// at once, its *error naming the folder.
bool OpenOutputFolder(const std::string& given, OutputFolder* folder, std::string* error);
// A file the run writes outside the output folder, at given (a path as the person typed it): its
// folders are created now (and removed again when the run fails) and a file is tried there, so
// that a path that cannot be written is found before the work. *workPath: where the run writes
// it, in its own folder; the commit moves it to given. False with *error naming given when it
// cannot be written.
bool AddFileElsewhere(OutputFolder* folder, const std::string& given, std::string* workPath, std::string* error);
// Full path of a file in the run's own folder.
std::string WorkFile(const OutputFolder& folder, const char* name);
// The file once in place, as the person would name it ("out/demo/before.png").
std::string ShownFile(const OutputFolder& folder, const char* name);
// message with every path inside the run's own folder named as it will be once in place.
std::string ShownText(const OutputFolder& folder, const std::string& message);
// Moves the run's files into the output folder (replacing older ones) and those of
// AddFileElsewhere to their places, names them in folder->placed and placedElsewhere, and removes the run's folder. False with *error when a file cannot be moved.
bool CommitOutputFolder(OutputFolder* folder, std::string* error);
// Deletes the run's folder with everything in it, and the folders the run made when they are
// empty.
void DiscardOutputFolder(OutputFolder* folder);

// Whether the path the person gave (given, full: its full path) names what it says: no device, no
// name whose trailing dots or spaces the system drops, and no existing file or folder under
// another spelling (the system matches names without case). False with *error naming both.
bool CheckPathSpelling(const std::string& given, const std::string& full, std::string* error);
// The full path of a file or folder name, with backslashes.
std::string FullPath(const std::string& path);
// Whether the paths a and b name one file: the same full path but for case, or two names (links,
// short names) of one existing file.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace workbench
