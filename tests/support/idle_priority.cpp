// Every test program runs at the idle priority that most solvers take for
// themselves (nice 19), before any test starts. The solvers a test starts then
// compete on equal terms with the test programs that ctest -j runs beside them;
// at nice 0 those would leave an idle solver a few percent of a core, and a
// test waiting for its first status line would time out on a busy machine.
#include <sys/resource.h>

namespace {

const bool atIdlePriority = [] { return setpriority(PRIO_PROCESS, 0, 19) == 0; }();

}  // namespace
