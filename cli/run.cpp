// pixmend run SCRIPT|-: plays a session script and prints the journal (and, on a terminal, the
// progress of long operations on standard error).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/commands.hpp"
#include "cli/progress.hpp"
#include "cli/session.hpp"

namespace pixmend::cli {

int runSession(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: pixmend run SCRIPT|-  (see pixmend --help for the verbs)\n");
    return 2;
  }
  const std::string& name = args[0];
  std::string text;
  if (name == "-") {
    std::ostringstream buffer;
    buffer << std::cin.rdbuf();
    text = buffer.str();
  } else {
    std::ifstream in(name, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "pixmend run: cannot read %s\n", name.c_str());
      return 2;
    }
    // Read no more than the reader accepts; a bigger file is refused by it with a message.
    std::string chunk(kMaxScriptBytes + 1, '\0');
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    chunk.resize(static_cast<std::size_t>(in.gcount()));
    text = std::move(chunk);
  }
  const std::string scriptName = name == "-" ? "<stdin>" : name;
  // On a terminal, open completion bars are drawn on standard error as they progress.
  if (TerminalProgress::wanted()) {
    TerminalProgress progress(std::cout);
    return runScript(text, scriptName, progress.journalStream(), std::cerr);
  }
  return runScript(text, scriptName, std::cout, std::cerr);
}

}  // namespace pixmend::cli
