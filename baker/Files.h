// The file system as the baking command needs it, one implementation per system (Files_posix.cpp,
// Files_windows.cpp), so that the staging, the checks against the inputs and the batch read the
// same on both. Paths are UTF-8 everywhere; on Windows "\\" separates folders as "/" does.
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

namespace baker {

// Where path's last folder separator is; npos when it has none.
size_t LastSeparator(const std::string& path);

// The folder of path ("." when it names none) and its last name.
std::string FolderOf(const std::string& path);
std::string BaseName(const std::string& path);

bool IsFolder(const std::string& path);
bool IsRegularFile(const std::string& path);
// Something (a file, a folder, a device) is at path; a link counts as what it leads to.
bool Exists(const std::string& path);

// Makes folder (not the folders above it), private to this user when owner is true; true when it
// was made or is a folder already.
bool MakeFolder(const std::string& folder, bool owner, std::string* why);

// fopen(path, "rb"); NULL when it cannot be opened.
FILE* OpenForReading(const std::string& path);
// fopen(path, "wb"), replacing what is there; NULL when it cannot be.
FILE* OpenForWriting(const std::string& path);

// The names of the entries of folder, but "." and "..".
std::vector<std::string> NamesIn(const std::string& folder);

// Renames from to to, replacing a file there. False with *why.
bool RenameReplacing(const std::string& from, const std::string& to, std::string* why);

void RemoveFile(const std::string& path);
void RemoveEmptyFolder(const std::string& folder);

// True when the two paths name one file as this system names files: the same existing file
// reached by two names (a link, a hard link), and on Windows also two spellings of one name
// (case, a short name).
bool SameFile(const std::string& a, const std::string& b);

// A key that two paths share when this system takes them for the same name: the path itself on
// Linux, where case counts; on Windows its full path without case.
std::string NameKey(const std::string& path);

// False with *error when path, as given for an output, would not name what it spells: on Windows
// a device's name ("nul", "CON.txt"), a name whose trailing dots or spaces the system drops, an
// existing name under another spelling. On Linux every name is an ordinary one.
bool NamedAsSpelled(const std::string& path, std::string* error);

// This process's identifier, for names that no other run takes.
unsigned long ProcessNumber();

}  // namespace baker
