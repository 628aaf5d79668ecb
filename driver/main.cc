// The probe's entry: the real platform, one run, its exit code.
#include <string>
#include <vector>

#include "driver/run.h"
#include "rfc/library_loader.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  tidewarden::VendorRfcLibrarySource rfc(args.empty() ? std::string() : args[0]);
  tidewarden::Platform platform{tidewarden::RealFileSystem(), tidewarden::SystemClock(),
                                tidewarden::StandardOutput(), rfc};
  int code = tidewarden::Run(platform, args);
  platform.console.Flush();
  return code;
}
