// pixmend info FILE and pixmend convert IN OUT [--type tif|rle|cit]: the image library on the
// command line, so scans can be inspected and converted without a session. Both go through the
// same calls the editing session uses; the library's diagnostics are shown when a call fails.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.hpp"
#include "host/image/api.h"
#include "host/image/formats.hpp"
#include "host/output/journal.hpp"

namespace pixmend::cli {

namespace {

const char* describeResult(int rc) {
  switch (rc) {
    case MDLERR_FILENOTFOUND:
      return "no such file";
    case MDLERR_CANNOTOPENFILE:
      return "cannot open the file";
    case MDLERR_INSFMEMORY:
      return "not enough memory (or the image is larger than the library accepts)";
    case MDLERR_NOTMONOCHROME:
      return "the file does not hold a 1-bit image";
    case MDLERR_CORRUPTIMAGE:
      return "the file is damaged";
    case MDLERR_UNKNOWNIMAGETYPE:
      return "not a TIFF or Intergraph raster file (or a kind of one that is not handled)";
    case MDLERR_IMAGEWRITEFAILED:
      return "the file could not be written";
    case MDLERR_INVALIDIMAGE:
      return "invalid image";
    default:
      return "failed";
  }
}

// The library's text-window lines since `from`, for the user to read on failure.
void printDiagnostics(std::size_t from) {
  const std::vector<std::string> lines = host::journal().texts("text", from);
  for (const std::string& line : lines) std::fprintf(stderr, "  %s", line.c_str());
}

int typeFromWord(const std::string& word) {
  if (word == "tif" || word == "tiff") return IMAGEFILE_TIFF;
  if (word == "rle") return IMAGEFILE_RLE;
  if (word == "cit") return IMAGEFILE_CIT;
  return IMAGEFILE_UNKNOWN;
}

const char* orientationName(int code) {
  static const char* const names[] = {
      "upper-left vertical",   "upper-right vertical",   "lower-left vertical",   "lower-right vertical",
      "upper-left horizontal", "upper-right horizontal", "lower-left horizontal", "lower-right horizontal"};
  return code >= 0 && code < 8 ? names[code] : "unknown";
}

// Whether VXRaster could edit the file, and if not why: the header alone cannot tell (a damaged
// stream, a size beyond the limits, an inner type not handled), so the image is read as the
// raster session would read it.
std::string editable(const std::string& path, const host::ImageFileInfo& info) {
  if (info.bitsPerSample != 1 || info.samplesPerPixel != 1) return "no: not a 1-bit image";
  if (info.type == IMAGEFILE_TIFF && info.tiled) return "no: tiled TIFF (convert it to strips first)";
  const std::size_t mark = host::journal().size();
  unsigned char* bitmap = nullptr;
  Point2d size{0, 0};
  const int rc = mdlImage_readFileToBitMap(&bitmap, &size, path.c_str(), IMAGEFILE_FROM_FILE, 0, mdlImage_checkStop);
  if (rc != 0) {
    std::string why = std::string("no: it cannot be read (") + describeResult(rc) + ")";
    const std::vector<std::string> lines = host::journal().texts("text", mark);
    if (!lines.empty()) {
      std::string first = lines.front();
      while (!first.empty() && (first.back() == '\n' || first.back() == ' ')) first.pop_back();
      why += ": " + first;
    }
    return why;
  }
  mdlImage_freeImage(bitmap, &size, IMAGEFORMAT_BITMAP);
  int firstBad = 0, lines = 0;
  if (mdlImage_lastReadDamage(&firstBad, &lines) != 0) {
    char text[160];
    std::snprintf(text, sizeof text, "yes, but damaged: lines after %d of %d could not be read", firstBad, lines);
    return text;
  }
  return "yes";
}

}  // namespace

int runInfo(const Args& args) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    std::fprintf(stderr, "usage: pixmend info FILE\n");
    return 2;
  }
  const std::string& path = args[0];
  host::ImageFileInfo info;
  const int rc = host::describeImageFile(path.c_str(), info);
  if (rc != 0) {
    std::fprintf(stderr, "pixmend info: %s: %s\n", path.c_str(),
                 info.problem.empty() ? describeResult(rc) : info.problem.c_str());
    return 1;
  }
  std::printf("file:          %s\n", path.c_str());
  std::printf("type:          %s (file type %d)\n", info.format.c_str(), info.type);
  std::printf("size:          %d x %d pixels\n", info.width, info.height);
  std::printf("pixels:        %d bit%s per sample, %d sample%s per pixel\n", info.bitsPerSample,
              info.bitsPerSample == 1 ? "" : "s", info.samplesPerPixel, info.samplesPerPixel == 1 ? "" : "s");
  std::printf("compression:   %s\n", info.compression.c_str());
  if (info.type == IMAGEFILE_TIFF) {
    std::printf("photometric:   %s (%d)\n", info.photometricName.c_str(), info.photometric);
    std::printf("fill order:    %d (%s significant bit first)\n", info.fillOrder,
                info.fillOrder == 2 ? "least" : "most");
  }
  if (info.tiled)
    std::printf("layout:        tiles of %d x %d\n", info.tileWidth, info.tileHeight);
  else
    std::printf("layout:        %s\n", info.type == IMAGEFILE_TIFF ? "strips" : "lines");
  if (info.type == IMAGEFILE_TIFF) std::printf("pages:         %d\n", info.pages);
  if (info.hasResolution)
    std::printf("resolution:    %g x %g %s\n", info.xResolution, info.yResolution,
                info.resolutionUnit.c_str());
  if (!info.documentName.empty()) std::printf("document:      %s\n", info.documentName.c_str());
  if (!info.description.empty()) std::printf("description:   %s\n", info.description.c_str());
  if (info.type != IMAGEFILE_TIFF) {
    std::printf("orientation:   %d (%s)\n", info.orientation, orientationName(info.orientation));
    std::printf("line headers:  %s\n", info.scannable == 1 ? "yes" : "no");
    std::printf("header:        %d bytes\n", info.headerBytes);
    if (info.hasPlacement)
      std::printf("placement:     origin (%.10g, %.10g), extent %.10g x %.10g%s\n", info.originX,
                  info.originY, info.extentX, info.extentY, info.rotated ? ", rotated or skewed" : "");
    else
      std::printf("placement:     none\n");
  }
  std::printf("editable:      %s\n", editable(path, info).c_str());
  return 0;
}

int runConvert(const Args& args) {
  std::string in, out, typeWord;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--type" && i + 1 < args.size()) {
      typeWord = args[++i];
    } else if (args[i].rfind("--type=", 0) == 0) {
      typeWord = args[i].substr(7);
    } else if (!args[i].empty() && args[i][0] == '-') {
      std::fprintf(stderr, "pixmend convert: unknown option '%s'\n", args[i].c_str());
      return 2;
    } else if (in.empty()) {
      in = args[i];
    } else if (out.empty()) {
      out = args[i];
    } else {
      in.clear();
      break;
    }
  }
  if (in.empty() || out.empty()) {
    std::fprintf(stderr, "usage: pixmend convert IN OUT [--type tif|rle|cit]\n");
    return 2;
  }
  int type = IMAGEFILE_UNKNOWN;
  if (!typeWord.empty()) {
    type = typeFromWord(typeWord);
    if (type == IMAGEFILE_UNKNOWN) {
      std::fprintf(stderr, "pixmend convert: unknown type '%s' (tif, rle or cit)\n", typeWord.c_str());
      return 2;
    }
  } else {
    type = host::imageTypeFromExtension(out);
    if (type == IMAGEFILE_UNKNOWN) {
      std::fprintf(stderr,
                   "pixmend convert: cannot tell the type of %s from its name; use --type tif|rle|cit\n",
                   out.c_str());
      return 2;
    }
  }
  const std::size_t mark = host::journal().size();
  unsigned char* bitmap = nullptr;
  Point2d size{0, 0};
  int rc = mdlImage_readFileToBitMap(&bitmap, &size, in.c_str(), IMAGEFILE_FROM_FILE, 0, mdlImage_checkStop);
  if (rc != 0) {
    std::fprintf(stderr, "pixmend convert: %s: %s\n", in.c_str(), describeResult(rc));
    printDiagnostics(mark);
    return 1;
  }
  const std::size_t writeMark = host::journal().size();
  // The picture keeps its resolution in its new file, as a write-back keeps it.
  rc = host::writeImageFile(out.c_str(), type, ConstBitmapView(bitmap, size.x, size.y), mdlImage_checkStop,
                            in.c_str());
  mdlImage_freeImage(bitmap, &size, IMAGEFORMAT_BITMAP);
  if (rc != 0) {
    std::fprintf(stderr, "pixmend convert: %s: %s\n", out.c_str(), describeResult(rc));
    printDiagnostics(writeMark);
    return 1;
  }
  std::printf("%s: %d x %d pixels written as %s\n", out.c_str(), size.x, size.y,
              type == IMAGEFILE_TIFF  ? "TIFF (CCITT Group 4)"
              : type == IMAGEFILE_RLE ? "Intergraph run-length"
                                      : "Intergraph CIT (CCITT Group 4)");
  return 0;
}

}  // namespace pixmend::cli
