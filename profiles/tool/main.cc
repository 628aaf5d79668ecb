// tidewarden-profile's entry: the real file system and standard streams.
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "profiles/profile_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::random_device entropy;
  return tidewarden::RunProfileTool(args, std::cin, std::cout, std::cerr,
                                    tidewarden::RealFileSystem(), entropy());
}
