#include "baker/HugePages.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

namespace baker {

void UseHugePages(char** argv) {
#if defined(__linux__) && defined(__GLIBC__)
    const char* tunables = getenv("GLIBC_TUNABLES");
    if (tunables && strstr(tunables, "glibc.malloc.hugetlb")) return;
    // "always [madvise] never": only the middle one needs the request.
    char mode[128] = {};
    if (FILE* setting = fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r")) {
        if (!fgets(mode, sizeof mode, setting)) mode[0] = '\0';
        fclose(setting);
    }
    if (!strstr(mode, "[madvise]")) return;
    const std::string request = std::string(tunables && *tunables ? tunables : "") +
                                (tunables && *tunables ? ":" : "") + "glibc.malloc.hugetlb=1";
    if (setenv("GLIBC_TUNABLES", request.c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);  // returns only on failure: then the bake goes on as it is
#else
    (void)argv;
#endif
}

}  // namespace baker
