// The floor of bench/run: the cheapest C++ program that prints a probe's result document.
//
// Built static, it is what starting any small program costs. bench/run also
// builds it the way the probe is linked (glibc dynamic) and, with
// TIDEWARDEN_BENCH_LOAD_LIBRARY, loading the RFC library named by its
// argument the way the probe does; those two reference rows show how much of
// the probe's cost is the link mode and the library load, before any work.
#include <cstdio>

#ifdef TIDEWARDEN_BENCH_LOAD_LIBRARY
#include <dlfcn.h>
#endif

namespace {

// The document the probe prints for the bench's system PRD when nothing has
// changed since its last run; bench/run checks that all three print it.
constexpr char kDocument[] =
    "\n<Prtg>\n"
    "\n<Text>(PRD) Logging: LogWrites=0, WaitBusy=0, RollBacks=0, LogUsage=3% </Text>\n"
    "\n<Result><Channel>LogWrites</Channel>\n<Value>0</Value></Result>\n"
    "\n<Result><Channel>WaitBusy</Channel>\n<Value>0</Value></Result>\n"
    "\n<Result><Channel>RollBacks</Channel>\n<Value>0</Value></Result>\n"
    "\n<Result><Channel>LogUsage</Channel>\n<Unit>Custom</Unit>\n"
    "<CustomUnit>PerCent</CustomUnit>\n<Value>3</Value></Result>\n"
    "\n</Prtg>\n";

}  // namespace

int main(int argc, char** argv) {
#ifdef TIDEWARDEN_BENCH_LOAD_LIBRARY
  // The probe's flags: every symbol bound at once, nothing leaked into the
  // global scope.
  if (argc < 2 || dlopen(argv[1], RTLD_NOW | RTLD_LOCAL) == nullptr) return 1;
#else
  (void)argc;
  (void)argv;
#endif
  std::fwrite(kDocument, 1, sizeof kDocument - 1, stdout);
  return 0;
}
