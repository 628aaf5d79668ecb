// The probe's entry: the real platform, one run, its exit code.
#include <string>
#include <vector>

#include "driver/run.h"
#include "rfc/classic/classic_library.h"
#include "rfc/classic/library_loader.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  tidewarden::VendorRfcLibrarySource rfc(args.empty() ? std::string() : args[0]);
  tidewarden::ClassicSapLibrary sap(rfc, tidewarden::RealFileSystem(),
                                    tidewarden::StandardOutput());
  tidewarden::Platform platform{tidewarden::RealFileSystem(), tidewarden::SystemClock(),
                                tidewarden::StandardOutput(), sap};
  int code = tidewarden::Run(platform, args);
  platform.console.Flush();
  return code;
}
