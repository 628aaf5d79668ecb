// The probe's entry: the real platform, one run, its exit code.
#include <string>
#include <vector>

#include "driver/run.h"
#include "rfc/library_choice.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  tidewarden::ChosenSapLibrary sap(args.empty() ? std::string() : args[0],
                                   tidewarden::RealFileSystem(), tidewarden::StandardOutput());
  tidewarden::Platform platform{tidewarden::RealFileSystem(), tidewarden::SystemClock(),
                                tidewarden::StandardOutput(), sap};
  int code = tidewarden::Run(platform, args);
  platform.console.Flush();
  return code;
}
