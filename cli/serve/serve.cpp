// pixmend serve [DESIGN.dgn] [--port N] [--record FILE.pms]: edits a design's rasters by hand in
// a web page. The session runs in the design's folder, as a script would; the page is served on
// 127.0.0.1 only, at an address with a token of this run; Ctrl-C ends the session as the host's
// exit does (docs/serve.md).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "cli/commands.hpp"
#include "cli/serve/engine.hpp"
#include "cli/serve/webserver.hpp"
#include "host/config/config.hpp"

namespace pixmend::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: pixmend serve [DESIGN.dgn] [--port N] [--record FILE.pms]\n"
    "  Edits DESIGN's rasters by hand in a web page (a new design when DESIGN does not exist,\n"
    "  a temporary one without it). Prints the address to open; Ctrl-C ends the session.\n"
    "  --port N           listen on 127.0.0.1:N (default: any free port)\n"
    "  --record FILE.pms  write every action as a session script (never replaces a file)\n";

struct Options {
  std::string design;
  int port = 0;
  std::string record;
};

bool parse(const Args& args, Options* options, std::string* why) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--port" || a == "--record") && i + 1 >= args.size()) {
      *why = a + " needs a value";
      return false;
    }
    if (a == "--port") {
      const std::string& value = args[++i];
      char* end = nullptr;
      errno = 0;
      const long port = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || errno != 0 || port < 1 || port > 65535) {
        *why = "the port is a number from 1 to 65535, not " + value;
        return false;
      }
      options->port = static_cast<int>(port);
    } else if (a == "--record") {
      options->record = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      *why = "unknown option " + a;
      return false;
    } else if (options->design.empty()) {
      options->design = a;
    } else {
      *why = "one design at a time";
      return false;
    }
  }
  return true;
}

}  // namespace

int runServe(const Args& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  Options options;
  std::string why;
  if (!parse(args, &options, &why)) {
    std::fprintf(stderr, "pixmend serve: %s\n%s", why.c_str(), kUsage);
    return 2;
  }
  // The recording is named from where the command was given, before the session moves to the
  // design's folder.
  serve::Recorder recorder;
  if (!options.record.empty() && !recorder.open(options.record, &why)) {
    std::fprintf(stderr, "pixmend serve: %s\n", why.c_str());
    return 2;
  }
  std::string designName;
  bool create = false;
  std::error_code error;
  if (!options.design.empty()) {
    const fs::path design(options.design);
    if (fs::is_directory(design, error)) {
      std::fprintf(stderr, "pixmend serve: %s is a folder, not a design file\n", options.design.c_str());
      return 2;
    }
    const fs::path folder = design.has_parent_path() ? design.parent_path() : fs::path(".");
    fs::current_path(folder, error);
    if (error) {
      std::fprintf(stderr, "pixmend serve: cannot work in %s: %s\n", folder.c_str(), error.message().c_str());
      return 2;
    }
    designName = design.filename().string();
    create = !fs::exists(designName, error);
  }
  serve::Folders folders(fs::current_path(error).string());
  folders.add(".", &why);
  if (const auto tmp = host::expandedVariable("MS_TMP"); tmp && !tmp->empty()) {
    const auto slash = tmp->rfind('/');
    if (!folders.add(slash == std::string::npos ? "." : tmp->substr(0, slash + 1), &why))
      std::fprintf(stderr, "pixmend serve: MS_TMP: %s\n", why.c_str());
  }
  if (recorder.active()) {
    recorder.comment(
        "A session recorded by pixmend serve. Play it again with pixmend run in the design's folder\n" +
        fs::current_path(error).string() + "\non the files as they were when it began.");
  }

  serve::Events events;
  serve::Engine engine(folders, events, recorder);
  serve::StartOptions start;
  start.design = designName;
  start.createDesign = create;
  start.variables = {"MS_TMP", "MS_USERPREF", "VX_DIR"};
  start.echoJournal = true;
  std::string resourceFile, tableError;
  applicationCommandTable(&start.commands, &resourceFile, &tableError);
  // The server listens before the session starts: what VXRaster asks while it loads (a dialog
  // about its installation folder) is answered in the page.
  serve::WebServer server(engine, events, serve::WebServer::newToken());
  if (!server.bind(options.port, &why)) {
    std::fprintf(stderr, "pixmend serve: %s\n", why.c_str());
    return 1;
  }
  serve::Engine::installSignalHandlers();
  server.start();
  std::fprintf(stderr,
               "\npixmend serve: open this address in a browser on this machine:\n\n"
               "    %s\n\n"
               "Ctrl-C ends the session (as the host's exit does) and stops the server.%s%s\n\n",
               server.url().c_str(), recorder.active() ? " Recording to " : "",
               recorder.active() ? options.record.c_str() : "");
  if (!engine.start(start, &why)) {
    std::fprintf(stderr, "pixmend serve: the session could not start: %s\n", why.c_str());
    engine.stop();
    engine.run();
    server.stop();
    return 1;
  }
  const int status = engine.run();
  server.stop();
  std::cout << std::flush;
  std::fprintf(stderr, "pixmend serve: the session has ended.\n");
  return status;
}

}  // namespace pixmend::cli
