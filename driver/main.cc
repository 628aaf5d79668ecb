// The probe's entry: the real platform, one run, its exit code.
#include <string>
#include <vector>

#include "driver/run.h"
#include "rfc/library_choice.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  // Never destroyed: a listing pass may leave a thread inside a logon that
  // only the library's own timeout ends, and the process ends without
  // waiting for it; the library must stay loaded under it until then.
  auto* sap =
      new tidewarden::ChosenSapLibrary(args.empty() ? std::string() : args[0],
                                       tidewarden::RealFileSystem(), tidewarden::StandardOutput());
  tidewarden::Platform platform{tidewarden::RealFileSystem(), tidewarden::SystemClock(),
                                tidewarden::StandardOutput(), *sap};
  int code = tidewarden::Run(platform, args);
  platform.console.Flush();
  return code;
}
