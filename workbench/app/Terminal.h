// What the workbench prints, in the encoding of whatever shows it. The program's own strings are
// UTF-8 (the command line's file names, the scene's names); what comes from the host or the
// plug-in in code page 932 (captions, the plug-in's name) is made UTF-8 before it joins them
// (wb::HostTextToUtf8). A console gets the text as UTF-16; a pipe or file gets UTF-8 under Wine,
// where the other end is a Unix terminal or tool, and the ANSI code page on Windows.
#pragma once

#include <stdio.h>

#include <string>

namespace workbench {

// Writes text (UTF-8) to stream (stdout or stderr) and flushes it.
void Print(FILE* stream, const std::string& text);
// printf into Print(stdout, ...).
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when the program runs under Wine.
bool RunningUnderWine();

// A full Windows path (UTF-8) as the person at the terminal knows it: under Wine the Unix path
// ("Z:\\tmp\\a.obj" shows as "/tmp/a.obj"), on Windows the path itself.
std::string PathForPeople(const std::string& windowsPath);

}  // namespace workbench
