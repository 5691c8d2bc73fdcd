// Resource kinds for raw bytes, icons and RGB images, and the picture decoders they use.
//
//   {"kind": "bytes", "type": "VXR", "id": 1, "hex": "02 00 00 00", "size": 272}
//   {"kind": "bytes", "type": "DATA", "id": 7, "file": "table.bin"}
//   {"kind": "bytes", "type": "TEXT", "id": 3, "text": "hello", "zeroTerminated": true}
//   {"kind": "icon", "id": 20001, "rows": ["..##..", ".####.", "######"]}
//   {"kind": "image", "type": "VXIM", "id": 1, "png": "logo.png"}          (or "ppm": file,
//    or "pixels": inline P3 text)
// "size" pads the bytes with zeros (a fixed-size record); bytes longer than "size" are an error.
#include "host/resource/images.hpp"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "common/bytes.hpp"
#include "host/resource/api.h"
#include "host/resource/compiler.hpp"
#include "host/resource/store.hpp"

namespace pixmend::host {
namespace {

std::string sourceDirOf(const nlohmann::json& entry) {
  auto it = entry.find("$sourceDir");
  return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::string stringField(const nlohmann::json& entry, const char* name) {
  const auto& value = entry.at(name);
  if (!value.is_string()) throw std::runtime_error(std::string("\"") + name + "\" must be a text");
  return value.get<std::string>();
}

std::vector<std::uint8_t> parseHex(const std::string& hex) {
  std::vector<std::uint8_t> out;
  int high = -1;
  for (char c : hex) {
    if (std::isspace(static_cast<unsigned char>(c)) || c == ',') continue;
    int v;
    if (c >= '0' && c <= '9') {
      v = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      v = c - 'A' + 10;
    } else {
      throw std::runtime_error(std::string("\"hex\": '") + c + "' is not a hexadecimal digit");
    }
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<std::uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  if (high >= 0) throw std::runtime_error("\"hex\": odd number of digits");
  return out;
}

std::vector<std::uint8_t> compileBytes(const std::string& text) {
  const auto entry = nlohmann::json::parse(text);
  std::vector<std::uint8_t> bytes;
  const int sources = static_cast<int>(entry.contains("hex")) + static_cast<int>(entry.contains("file")) +
                      static_cast<int>(entry.contains("text"));
  if (sources > 1) throw std::runtime_error("give only one of \"hex\", \"file\" and \"text\"");
  if (entry.contains("hex")) {
    bytes = parseHex(stringField(entry, "hex"));
  } else if (entry.contains("file")) {
    bytes = readSourceFile(sourceDirOf(entry), stringField(entry, "file"));
  } else if (entry.contains("text")) {
    const std::string s = stringField(entry, "text");
    bytes.assign(s.begin(), s.end());
    if (entry.value("zeroTerminated", false)) bytes.push_back(0);
  }
  if (auto size = entry.find("size"); size != entry.end()) {
    if (!size->is_number_integer() || size->get<long long>() < 0 ||
        size->get<long long>() > static_cast<long long>(64u << 20)) {
      throw std::runtime_error("\"size\" must be a number of bytes");
    }
    const auto n = static_cast<std::size_t>(size->get<long long>());
    if (bytes.size() > n) {
      throw std::runtime_error("the data has " + std::to_string(bytes.size()) + " bytes, more than \"size\" " +
                               std::to_string(n));
    }
    bytes.resize(n, 0);
  }
  return bytes;
}

std::vector<std::uint8_t> compileIcon(const std::string& text) {
  const auto entry = nlohmann::json::parse(text);
  const auto& rows = entry.at("rows");
  if (!rows.is_array() || rows.empty() || rows.size() > 256) throw std::runtime_error("\"rows\": 1 to 256 texts");
  std::size_t width = 0;
  std::vector<std::uint8_t> bits;
  for (const auto& row : rows) {
    if (!row.is_string()) throw std::runtime_error("\"rows\" must hold texts");
    const std::string r = row.get<std::string>();
    if (width == 0) width = r.size();
    if (r.empty() || r.size() != width || width > 256) throw std::runtime_error("icon rows must be of one length, 1 to 256");
    for (char c : r) {
      if (c == '#' || c == 'X') {
        bits.push_back(1);
      } else if (c == '.' || c == ' ') {
        bits.push_back(0);
      } else {
        throw std::runtime_error(std::string("icon rows use '#' or 'X' for drawn and '.' or ' ' for clear, not '") +
                                 c + "'");
      }
    }
  }
  std::vector<std::uint8_t> out(4 + bits.size());
  le::put16(&out[0], static_cast<std::uint16_t>(width));
  le::put16(&out[2], static_cast<std::uint16_t>(rows.size()));
  std::copy(bits.begin(), bits.end(), out.begin() + 4);
  return out;
}

std::vector<std::uint8_t> compileImage(const std::string& text) {
  const auto entry = nlohmann::json::parse(text);
  RgbImage image;
  const std::string dir = sourceDirOf(entry);
  if (entry.contains("png")) {
    image = decodePng(readSourceFile(dir, stringField(entry, "png")));
  } else if (entry.contains("ppm")) {
    image = decodePpm(readSourceFile(dir, stringField(entry, "ppm")));
  } else if (entry.contains("pixels")) {
    const std::string p = stringField(entry, "pixels");
    image = decodePpm(std::vector<std::uint8_t>(p.begin(), p.end()));
  } else {
    throw std::runtime_error("an image needs \"png\", \"ppm\" (file names) or \"pixels\" (P3 text)");
  }
  if (auto w = entry.find("width"); w != entry.end()) {
    if (!w->is_number_integer() || w->get<long long>() != image.width) {
      throw std::runtime_error("the picture is " + std::to_string(image.width) + " pixels wide, not " + w->dump());
    }
  }
  return image.rgb;
}

const bool registered = registerResourceCompiler("bytes", 0, compileBytes) &&
                        registerResourceCompiler("icon", RTYPE_ICON, compileIcon) &&
                        registerResourceCompiler("image", 0, compileImage);

// PPM tokens: whitespace separated, '#' comments to the end of the line.
struct PpmScanner {
  const std::vector<std::uint8_t>& b;
  std::size_t pos = 0;
  std::string token() {
    for (;;) {
      while (pos < b.size() && std::isspace(b[pos])) ++pos;
      if (pos < b.size() && b[pos] == '#') {
        while (pos < b.size() && b[pos] != '\n') ++pos;
        continue;
      }
      break;
    }
    std::string t;
    while (pos < b.size() && !std::isspace(b[pos]) && b[pos] != '#' && t.size() < 16) t += static_cast<char>(b[pos++]);
    return t;
  }
  long number() {
    const std::string t = token();
    if (t.empty() || t.size() > 6 || t.find_first_not_of("0123456789") != std::string::npos) {
      throw std::runtime_error("PPM: a number was expected");
    }
    return std::stol(t);
  }
};

struct PngReader {
  png_image image;
  PngReader() {
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
  }
  ~PngReader() { png_image_free(&image); }
};

}  // namespace

bool decodeIcon(const std::vector<std::uint8_t>& bytes, IconMask* icon) {
  if (bytes.size() < 4) return false;
  const int w = le::get16(&bytes[0]);
  const int h = le::get16(&bytes[2]);
  if (w <= 0 || h <= 0 || w > 256 || h > 256) return false;
  if (bytes.size() != 4 + static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) return false;
  icon->width = w;
  icon->height = h;
  icon->bits.assign(bytes.begin() + 4, bytes.end());
  return true;
}

RgbImage decodePpm(const std::vector<std::uint8_t>& bytes) {
  PpmScanner in{bytes};
  const std::string magic = in.token();
  if (magic != "P3" && magic != "P6") throw std::runtime_error("not a PPM picture (P3 or P6)");
  const long w = in.number(), h = in.number(), maxval = in.number();
  if (w < 1 || h < 1 || w > kMaxResourceImageSide || h > kMaxResourceImageSide) throw std::runtime_error("PPM: impossible size");
  if (maxval < 1 || maxval > 65535) throw std::runtime_error("PPM: bad maximum value");
  RgbImage image;
  image.width = static_cast<int>(w);
  image.height = static_cast<int>(h);
  const std::size_t samples = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3;
  auto scale = [&](long v) { return static_cast<std::uint8_t>((v * 255 + maxval / 2) / maxval); };
  if (magic == "P3") {
    // Every sample needs at least two bytes of text: refuse sizes the text cannot hold.
    if (samples > bytes.size()) throw std::runtime_error("PPM: the pixels are missing");
    image.rgb.reserve(samples);
    for (std::size_t i = 0; i < samples; ++i) {
      const long v = in.number();
      if (v > maxval) throw std::runtime_error("PPM: a sample is above the maximum value");
      image.rgb.push_back(scale(v));
    }
  } else {
    ++in.pos;  // the single whitespace after the header
    const std::size_t width = maxval > 255 ? 2 : 1;
    if (in.pos > bytes.size() || (bytes.size() - in.pos) / width < samples) {
      throw std::runtime_error("PPM: the pixels are cut short");
    }
    image.rgb.reserve(samples);
    for (std::size_t i = 0; i < samples; ++i) {
      long v = bytes[in.pos];
      if (width == 2) v = (v << 8) | bytes[in.pos + 1];
      in.pos += width;
      image.rgb.push_back(scale(std::min(v, maxval)));
    }
  }
  return image;
}

RgbImage decodePng(const std::vector<std::uint8_t>& bytes) {
  PngReader reader;
  if (!png_image_begin_read_from_memory(&reader.image, bytes.data(), bytes.size())) {
    throw std::runtime_error(std::string("not a readable PNG picture: ") + reader.image.message);
  }
  if (reader.image.width < 1 || reader.image.height < 1 || reader.image.width > kMaxResourceImageSide ||
      reader.image.height > kMaxResourceImageSide) {
    throw std::runtime_error("PNG: impossible size");
  }
  reader.image.format = PNG_FORMAT_RGB;
  RgbImage image;
  image.width = static_cast<int>(reader.image.width);
  image.height = static_cast<int>(reader.image.height);
  image.rgb.resize(PNG_IMAGE_SIZE(reader.image));
  png_color white{255, 255, 255};
  if (!png_image_finish_read(&reader.image, &white, image.rgb.data(), 0, nullptr)) {
    throw std::runtime_error(std::string("PNG: ") + reader.image.message);
  }
  return image;
}

}  // namespace pixmend::host
