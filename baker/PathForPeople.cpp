// The workbench's scene loader names files in its warnings as people know them: under Wine it
// turns a Windows path into the system's own (workbench/app/Terminal.cpp). A native program's
// paths are the system's already and are shown as they are.
#include "workbench/app/Terminal.h"

namespace workbench {

std::string PathForPeople(const std::string& path) { return path; }

}  // namespace workbench
