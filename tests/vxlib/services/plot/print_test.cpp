// The dispatch family and sending plots on: the output type chooses the driver, paper sizes, and
// the three ways to a printer (ports, the print server, command lines), with what each does when
// the way is blocked.
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "vxlib/services/plot/plot_fixture.hpp"

namespace pixmend::vxlib {
namespace {

class Print : public PlotTest {
 protected:
  // A finished plot to send.
  std::string plotFile(const std::string& name = "plot.ps") {
    writeText(path(name), "%!PS\nshowpage\n");
    return path(name);
  }
  // A shell script that appends its arguments, separated by '|', to log.txt.
  std::string logger() {
    writeText(path("log.sh"), "IFS='|'; printf '%s\\n' \"$*\" >> '" + path("log.txt") + "'\n");
    return path("log.sh");
  }
};

TEST_F(Print, TheOutputTypeChoosesTheDriverAndItsPages) {
  struct Case {
    int type;
    const char* file;
    std::string start;
  } cases[] = {{0, "p.ps", "%!PS-Adobe\n"}, {1, "p.hpgl", "IN;"}, {5, "p.pcl", "\x1b" "E"}, {4, "p.txt", "\n"}};
  for (const Case& c : cases) {
    ASSERT_EQ(vxlibPrint_fopen(path(c.file).c_str(), c.type), 1) << c.type;
    vxlibPrint_newPage();
    EXPECT_EQ(vxlibPrint_fclose(), 0);
    const std::string text = readAll(path(c.file));
    EXPECT_EQ(text.substr(0, c.start.size()), c.start) << c.type;
  }
  // Two page ends in the PostScript file (the new page and the last); none in the text file.
  const std::string ps = readAll(path("p.ps"));
  EXPECT_EQ(ps.find("showpage"), ps.rfind("showpage") - 9);
  EXPECT_EQ(readAll(path("p.txt")), "\n");
  // The PCL driver takes the paper last asked for.
  double low[2], high[2];
  vxlibPrint_getPageSize(low, high, 10);
  ASSERT_EQ(vxlibPrint_fopen(path("turned.pcl").c_str(), 5), 1);
  EXPECT_EQ(vxlibPrint_fclose(), 0);
  EXPECT_NE(readAll(path("turned.pcl")).find("&l26a1O"), std::string::npos);
  EXPECT_EQ(high[0], 297.0);
  EXPECT_EQ(high[1], 210.0);
  // A code without a paper writes nothing but is the current one: PCL takes it as upright A4.
  double untouched[2] = {7, 7};
  vxlibPrint_getPageSize(untouched, untouched, 13);
  EXPECT_EQ(untouched[0], 7.0);
  vxlibPrint_getPageSize(nullptr, nullptr, 12);  // nowhere to write: no harm
  ASSERT_EQ(vxlibPrint_fopen(path("other.pcl").c_str(), 5), 1);
  EXPECT_EQ(vxlibPrint_fclose(), 0);
  EXPECT_NE(readAll(path("other.pcl")).find("&l26a1O"), std::string::npos) << "12 was the last code given";
}

TEST_F(Print, AnOutputTypeWithoutADriverOpensNothingAndTheCallsAfterItDoNothing) {
  EXPECT_EQ(vxlibPrint_fopen(path("none.out").c_str(), 2), 1);
  vxlibPrint_newPage();
  EXPECT_EQ(vxlibPrint_fclose(), 0);
  EXPECT_FALSE(std::filesystem::exists(path("none.out")));
  // A driver whose file cannot be opened: 0, and closing finds nothing to close.
  const auto from = mark();
  EXPECT_EQ(vxlibPrint_fopen(path("no/dir/x.hpgl").c_str(), 1), 0);
  EXPECT_EQ(textLines(from), std::vector<std::string>{"vxhpgllib: cannot open " + path("no/dir/x.hpgl") + ".\n"});
  EXPECT_EQ(vxlibPrint_fclose(), VXLIB_ERROR);
}

TEST_F(Print, APortGetsOneWholeCopyForEachCopyAsked) {
  const std::string plot = plotFile();
  const std::string fifo = path("lpt2");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  host::defineVariable("PIXMEND_LPT2", fifo, host::kCfgLevelUser);
  // The printer at the port: reads until three copies have come (or it has waited long in vain).
  const std::size_t expected = 3 * readAll(plot).size();
  std::string received;
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::thread printer([&] {
    char buffer[256];
    for (int idle = 0; idle < 2000; ++idle) {
      const ssize_t n = ::read(reader, buffer, sizeof buffer);
      if (n > 0) {
        received.append(buffer, static_cast<std::size_t>(n));
        idle = 0;
      } else if (received.size() >= expected) {
        break;
      } else {
        ::usleep(1000);
      }
    }
  });
  const auto from = mark();
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(plot.c_str(), "LPT2", 3), 0);
  printer.join();
  ::close(reader);
  EXPECT_EQ(received, "%!PS\nshowpage\n%!PS\nshowpage\n%!PS\nshowpage\n");
  EXPECT_EQ(texts("win32", from).size(), 3u);
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the port is still the port";
}

TEST_F(Print, PortsNamedByVariablesSharesAndPortsNobodyListensTo) {
  const std::string plot = plotFile();
  host::defineVariable("PLOTTER", path("plotter.out"), host::kCfgLevelUser);
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(plot.c_str(), "$(PLOTTER)", 2), 0);
  EXPECT_EQ(readAll(path("plotter.out")), readAll(plot)) << "a file gets the file, not copies appended";

  const std::string fifo = path("deaf");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  host::defineVariable("PIXMEND_LPT1", fifo, host::kCfgLevelUser);
  const auto from = mark();
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(plot.c_str(), "lpt1", 1), MDLERR_CANNOTOPENFILE) << "refused, not waited on";
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(plot.c_str(), "\\\\nohost\\noshare", 1), MDLERR_FILENOTFOUND);
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(plot.c_str(), "$(UNDEFINED_PORT)", 1), MDLERR_BADARG);
  EXPECT_EQ(vxlibPrint_sendFileToPrinterPort(path("missing.ps").c_str(), "$(PLOTTER)", 1), MDLERR_FILENOTFOUND);
  EXPECT_EQ(textLines(from).size(), 4u);
  EXPECT_EQ(vxlibPrint_sendFileToPrinterPort(plot.c_str(), "$(PLOTTER)", 1000), MDLERR_BADARG);
  EXPECT_EQ(vxlibPrint_sendFileToPrinterPort(nullptr, "LPT1", 1), MDLERR_BADARG);
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(plot.c_str(), nullptr, 1), MDLERR_BADARG);
  EXPECT_EQ(vxlibPrint_sendFileToPrinterPort(plot.c_str(), "$(PLOTTER)", 0), 0) << "no copies, nothing to do";
}

TEST_F(Print, CommandLinesRunInOrderOncePerCopyUnlessTheyCountTheCopiesThemselves) {
  const std::string plot = plotFile();
  const std::string log = logger();
  const std::string twoLines = "/bin/sh " + log + " first %s;/bin/sh " + log + " second %s";
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(plot.c_str(), twoLines.c_str(), 2), 0);
  EXPECT_EQ(readAll(path("log.txt")), "first|" + plot + "\nsecond|" + plot + "\nfirst|" + plot + "\nsecond|" + plot + "\n");
  std::filesystem::remove(path("log.txt"));
  const std::string counted = "/bin/sh " + log + " -n %d %s";
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(plot.c_str(), counted.c_str(), 3), 0);
  EXPECT_EQ(readAll(path("log.txt")), "-n|3|" + plot + "\n");
}

TEST_F(Print, AFailingCommandLineIsReportedAndTheOthersStillRun) {
  const std::string plot = plotFile();
  const std::string log = logger();
  const std::string lines = "no-such-spooler-program %s;/bin/sh " + log + " after %s";
  const auto from = mark();
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(plot.c_str(), lines.c_str(), 1), VXLIB_ERROR);
  const auto shown = textLines(from);
  EXPECT_NE(std::find(shown.begin(), shown.end(),
                      "Error executing\nno-such-spooler-program " + plot + "\nReturn status = 32768\n"),
            shown.end());
  EXPECT_EQ(readAll(path("log.txt")), "after|" + plot + "\n");
}

TEST_F(Print, AFileNameCannotAddCommandsAndBlanksStayInOneArgument) {
  const std::string log = logger();
  const std::string sneaky = plotFile("a;touch " + path("owned") + ";b.ps");
  const std::string line = "/bin/sh " + log + " %s";
  const auto from = mark();
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(sneaky.c_str(), line.c_str(), 1), VXLIB_ERROR);
  EXPECT_EQ(textLines(from).size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(path("owned")));
  EXPECT_FALSE(std::filesystem::exists(path("log.txt"))) << "nothing ran";
  const std::string spaced = plotFile("my plot.ps");
  EXPECT_EQ(vxlibPrint_sendFileToPrinter(spaced.c_str(), line.c_str(), 1), 0);
  EXPECT_EQ(readAll(path("log.txt")), spaced + "\n");
}

// A loopback port with nothing listening: the print server the test points the library at.
int closedLoopbackPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    if (s >= 0) ::close(s);
    return 0;
  }
  ::close(s);
  return ntohs(address.sin_port);
}

TEST_F(Print, APrinterNameGoesToThePrintServerAndAMissingServerIsAQuickClearFailure) {
  const std::string plot = plotFile();
  const int port = closedLoopbackPort();
  ASSERT_NE(port, 0);
  const std::string server = "127.0.0.1:" + std::to_string(port);
  ::setenv("CUPS_SERVER", server.c_str(), 1);
  const auto from = mark();
  const int result = vxlibPrint_sendFileToPrinter(plot.c_str(), "office", 2);
  ::unsetenv("CUPS_SERVER");
  EXPECT_EQ(result, MDLERR_NOPRINTSERVER);
  EXPECT_EQ(textLines(from),
            std::vector<std::string>{"vxlibPrint: " + plot + " was not printed on office: no print server answers.\n"});
  const auto said = texts("plot", from);
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].rfind("cannot print " + plot + " on office: ", 0), 0u) << said[0];
}

}  // namespace
}  // namespace pixmend::vxlib
