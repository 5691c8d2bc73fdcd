// pixmend: the command line of the host stand-in.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.hpp"
#include "cli/session.hpp"

namespace {

struct Subcommand {
  const char* name;
  const char* synopsis;
  int (*run)(const pixmend::cli::Args&);
};

// Each subcommand's synopsis is one line of the usage text.
const Subcommand kSubcommands[] = {
    {"run", "run SCRIPT|-             play a session script (see docs/sessions.md); prints the journal",
     pixmend::cli::runSession},
    {"info", "info FILE                type, size, compression, photometric, tiling, placement of a raster",
     pixmend::cli::runInfo},
    {"convert", "convert IN OUT [--type tif|rle|cit]   convert a raster file", pixmend::cli::runConvert},
    {"design", "design list FILE.dgn [--model N]   the elements of a design file (position, type, level, size, linkages)",
     pixmend::cli::runDesign},
    {"cell", "cell new|add|list LIB.cel ...   build cell libraries: cell add LIB.cel NAME [--description TEXT] --from DESIGN.dgn [--model N]",
     pixmend::cli::runCell},
    {"plot", "plot DESIGN.dgn --driver FILE.plt [-o FILE] [--paper NAME] [--area X1 Y1 X2 Y2] [--maximize]   plot a design (docs/plot.md)",
     pixmend::cli::runPlotCommand},
    {"serve", "serve [DESIGN.dgn] [--port N] [--record FILE.pms]   edit by hand in a web page (docs/serve.md)",
     pixmend::cli::runServe},
    {"demo", "demo [OUTDIR]            a VXRaster session, then buffer operations on a drawing; pictures in OUTDIR",
     pixmend::cli::runDemo},
};

void printUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: pixmend COMMAND [ARGS]\n"
               "       pixmend --help | --version\n\n"
               "Pixmend edits 1-bit scanned drawings. Commands:\n");
  for (const auto& sub : kSubcommands) std::fprintf(out, "  %s\n", sub.synopsis);
  std::fprintf(out,
               "\nSession scripts (pixmend run): one step per line, '#' at the start of a line\n"
               "begins a comment. The journal goes to standard output, one line per event,\n"
               "\"channel: text\"; problems go to standard error with their line numbers. Exit\n"
               "status: 0, 1 when a step failed or an expectation did not hold, 2 for a bad\n"
               "script. Verbs:\n");
  for (const auto& verb : pixmend::cli::verbs()) {
    std::fprintf(out, "  %-32s %s\n", verb.synopsis.c_str(), verb.help.c_str());
  }
  pixmend::cli::printApplicationKeyins(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printUsage(stderr);
    return 2;
  }
  const std::string first = argv[1];
  if (first == "--help" || first == "-h" || first == "help") {
    printUsage(stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("pixmend %s\n", PIXMEND_VERSION);
    return 0;
  }
  for (const auto& sub : kSubcommands) {
    if (first == sub.name) return sub.run(pixmend::cli::Args(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "pixmend: unknown command '%s' (see pixmend --help)\n", first.c_str());
  return 2;
}
