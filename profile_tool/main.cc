// tidewarden-profile's entry: the real file system, clock and standard
// streams. The doctor runs the probe's path, so it lives above the driver;
// the other commands only read and write profiles.
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "collect/measure_pool.h"
#include "profile_tool/doctor.h"
#include "profile_tool/profile_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (!args.empty() && args[0] == "doctor") {
    tidewarden::Console& console = tidewarden::StandardOutput();
    const int code = tidewarden::RunDoctor(std::vector<std::string>(args.begin() + 1, args.end()),
                                           argc > 0 ? argv[0] : "", tidewarden::RealFileSystem(),
                                           tidewarden::SystemClock(), console, std::cerr);
    console.Flush();
    if (tidewarden::MeasurePool::AnyThreadAbandoned()) tidewarden::EndProcess(code);
    return code;
  }
  std::random_device entropy;
  return tidewarden::RunProfileTool(args, std::cin, std::cout, std::cerr,
                                    tidewarden::RealFileSystem(), entropy());
}
