// Leaks are looked for when the tests are done but before the program's static objects are
// destroyed: the workbench host keeps its documents, draw objects and materials in static state
// for the program's life, and once that state is gone at exit they would all read as leaked.
// Blocks nobody can reach while the host still stands are leaks of the code under test.
#include <gtest/gtest.h>
#include <sanitizer/lsan_interface.h>

namespace {

class LeakCheck : public ::testing::Environment {
  public:
    void TearDown() override { __lsan_do_leak_check(); }
};

::testing::Environment* const kLeakCheck = ::testing::AddGlobalTestEnvironment(new LeakCheck);

}  // namespace
