// What the workbench prints, in the encoding of whatever shows it. The program's own strings are
// in the ANSI code page, as Windows hands them over (the command line's file names, the plug-in's
// captions, object names: code page 932 under the Japanese locale). A console gets the text as
// UTF-16; a pipe or file gets UTF-8 under Wine, where the other end is a Unix terminal or tool,
// and the ANSI bytes as they are on Windows.
#pragma once

#include <stdio.h>

#include <string>

namespace workbench {

// Writes text (ANSI code page) to stream (stdout or stderr) and flushes it.
void Print(FILE* stream, const std::string& text);
// printf into Print(stdout, ...).
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when the program runs under Wine.
bool RunningUnderWine();

// A full Windows path as the person at the terminal knows it: under Wine the Unix path
// ("Z:\\tmp\\a.obj" shows as "/tmp/a.obj"), on Windows the path itself.
std::string PathForPeople(const std::string& windowsPath);

}  // namespace workbench
