// The bakes' memory in large pages, where the system gives them only on request.
#pragma once

namespace baker {

// Starts this program again (with argv) with glibc's allocator asking the system for transparent
// huge pages, unless it already does or the system gives them to every program or to none; it
// returns only when no new start is needed or it failed. To be called first in main, before any
// output or thread.
//
// A bake touches its few hundred megabytes about once each, and every first touch of a 4 KB page
// is a fault into the system: on a virtual machine those faults took a third of a large scene's
// bake, on 2 MB pages next to nothing. glibc reads the request (the tunable
// glibc.malloc.hugetlb=1) only as a program starts, hence the new start (a few milliseconds).
void UseHugePages(char** argv);

}  // namespace baker
