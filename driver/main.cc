// The probe's entry: the real platform, one run, its exit code.
#include <string>
#include <vector>

#include "collect/measure_pool.h"
#include "driver/run.h"
#include "rfc/library_choice.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  // Never destroyed: a listing pass may leave a thread inside a logon that
  // only the library's own timeout ends, and the process ends without
  // waiting for it; the library must stay loaded under it until then.
  // Held by a static, as the platform's objects are: it lives as long as
  // the process, and leak checkers see it does.
  static auto* const sap =
      new tidewarden::ChosenSapLibrary(args.empty() ? std::string() : args[0],
                                       tidewarden::RealFileSystem(), tidewarden::StandardOutput());
  tidewarden::Platform platform{tidewarden::RealFileSystem(), tidewarden::SystemClock(),
                                tidewarden::StandardOutput(), *sap};
  int code = tidewarden::Run(platform, args);
  platform.console.Flush();
  // A thread left inside the library (a logon or logoff the pass did not
  // wait for) must not meet static destructors or the library's own
  // detach handlers.
  if (tidewarden::MeasurePool::AnyThreadAbandoned()) tidewarden::EndProcess(code);
  return code;
}
