// mkhelp SOURCE HELPFILE
// Compiles a help source (see HelpCompiler.h for its markup) into a WinHelp file for the programs' help
// viewer. Nothing is written when the source has an error; the message names its line.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "HelpCompiler.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mkhelp SOURCE HELPFILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "mkhelp: cannot read %s\n", argv[1]);
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();

  helpc::HelpProject project;
  std::vector<uint8_t> file;
  std::string error;
  if (!helpc::ParseHelpSource(text.str(), &project, &error) || !helpc::CompileHelpFile(project, &file, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }

  // Written beside the target and renamed over it, so a failed write never leaves half a help file.
  const std::string target = argv[2];
  const std::string partial = target + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (!out.flush()) {
      std::remove(partial.c_str());
      std::fprintf(stderr, "mkhelp: cannot write %s\n", partial.c_str());
      return 1;
    }
  }
  if (std::rename(partial.c_str(), target.c_str()) != 0) {
    std::remove(partial.c_str());
    std::fprintf(stderr, "mkhelp: cannot write %s\n", target.c_str());
    return 1;
  }
  return 0;
}
