// PostScript and HP-GL/2 page writers (languages.hpp).
#include "host/plot/languages.hpp"

#include <cmath>
#include <cstdio>
#include <map>

namespace pixmend::host::plot {
namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kHpglUnitsPerMm = 40.0;  // plotter units of 0.025 mm
constexpr double kCourierAdvance = 0.6;   // a fixed-pitch font's advance per unit of size

// Dash patterns of the host's line styles 0 to 7, as lengths in millimetres (empty: solid).
const std::vector<double>& dashes(int style) {
  static const std::vector<double> table[8] = {{},         {0.5, 1.5},           {3, 1.5},           {6, 1.5},
                                               {4, 1, 1, 1}, {1.5, 1.5},         {6, 1, 1, 1, 1, 1}, {6, 1, 3, 1}};
  return table[style >= 0 && style < 8 ? style : 0];
}

std::string format(const char* fmt, double a) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, fmt, a);
  return buffer;
}

std::string mm(double v) {
  return format("%.3f", v);
}

class PostScript : public PageWriter {
 public:
  PostScript(const PageWindow& w, const std::string& title) {
    const int width = static_cast<int>(std::ceil(w.paperWidth * kPointsPerMm));
    const int height = static_cast<int>(std::ceil(w.paperHeight * kPointsPerMm));
    out_ = "%!PS-Adobe-3.0\n%%Creator: pixmend\n%%Title: (" + escape(title) + ")\n%%BoundingBox: 0 0 " +
           std::to_string(width) + " " + std::to_string(height) + "\n%%Pages: 1\n%%EndComments\n%%BeginSetup\n<< /PageSize [" +
           format("%.3f", w.paperWidth * kPointsPerMm) + " " + format("%.3f", w.paperHeight * kPointsPerMm) + "] /NumCopies " + std::to_string(w.copies) +
           " >> setpagedevice\n%%EndSetup\n%%Page: 1 1\n";
    out_ += format("%.6f", kPointsPerMm) + " dup scale 1 setlinejoin 1 setlinecap\n";
    out_ += mm(w.left) + " " + mm(w.bottom) + " " + mm(w.right - w.left) + " " + mm(w.top - w.bottom) + " rectclip\n";
  }

  void polyline(const std::vector<DPoint3d>& points, bool closed, bool filled, const Pen& pen) override {
    if (points.size() < 2) return;
    colour(pen.colour);
    out_ += mm(pen.width) + " setlinewidth [";
    for (double d : dashes(pen.style)) out_ += mm(d) + " ";
    out_ += "] 0 setdash\nnewpath " + mm(points[0].x) + " " + mm(points[0].y) + " moveto\n";
    for (std::size_t i = 1; i < points.size(); ++i) out_ += mm(points[i].x) + " " + mm(points[i].y) + " lineto\n";
    out_ += closed ? (filled ? "closepath fill\n" : "closepath stroke\n") : "stroke\n";
  }

  void text(const DPoint3d& corner, double angle, double charWidth, double height, const std::string& text,
            const RgbColorDef& c) override {
    if (text.empty() || !(height > 0) || !(charWidth > 0)) return;
    colour(c);
    // Courier stretched so each character takes its width, its capitals about the box's height.
    out_ += "gsave " + mm(corner.x) + " " + mm(corner.y) + " translate " + format("%.4f", angle) +
            " rotate /Courier findfont [" + mm(charWidth / kCourierAdvance) + " 0 0 " + mm(height * 1.3) +
            " 0 0] makefont setfont 0 0 moveto (" + escape(text) + ") show grestore\n";
  }

  std::string finish() override { return out_ + "showpage\n%%EOF\n"; }

 private:
  void colour(const RgbColorDef& c) {
    out_ += format("%.3f ", c.red / 255.0) + format("%.3f ", c.green / 255.0) + format("%.3f", c.blue / 255.0) + " setrgbcolor\n";
  }

  // A PostScript string's body: parentheses and backslashes escaped, other bytes outside the
  // printable ASCII range as octal escapes.
  static std::string escape(const std::string& s) {
    std::string e;
    for (unsigned char ch : s) {
      if (ch == '(' || ch == ')' || ch == '\\') {
        e += '\\';
        e += static_cast<char>(ch);
      } else if (ch < 32 || ch > 126) {
        char octal[8];
        std::snprintf(octal, sizeof octal, "\\%03o", ch);
        e += octal;
      } else {
        e += static_cast<char>(ch);
      }
    }
    return e;
  }

  std::string out_;
};

class Hpgl2 : public PageWriter {
 public:
  explicit Hpgl2(const PageWindow& w) {
    out_ = "IN;NP256;PS" + units(w.paperHeight) + "," + units(w.paperWidth) + ";IW" + units(w.left) + "," + units(w.bottom) +
           "," + units(w.right) + "," + units(w.top) + ";WU1;PA;\n";
    copies_ = w.copies;
  }

  void polyline(const std::vector<DPoint3d>& points, bool closed, bool filled, const Pen& pen) override {
    if (points.size() < 2) return;
    select(pen.colour);
    out_ += "PW" + format("%.2f", pen.width) + ";";
    const auto& d = dashes(pen.style);
    if (d.empty()) {
      out_ += "LT;";
    } else {
      double length = 0;
      for (double v : d) length += v;
      out_ += "UL8";  // one user pattern: percentages of the pattern's length
      for (double v : d) out_ += "," + format("%.1f", 100 * v / length);
      out_ += ";LT8," + format("%.2f", length) + ",1;";
    }
    if (filled) out_ += "PU" + point(points[0]) + ";PM0;";
    else out_ += "PU" + point(points[0]) + ";";
    out_ += "PD";
    for (std::size_t i = 1; i < points.size(); ++i) out_ += (i > 1 ? "," : "") + point(points[i]);
    if (closed && !filled) out_ += "," + point(points[0]);
    out_ += filled ? ";PM2;FP;\n" : ";\n";
  }

  void text(const DPoint3d& corner, double angle, double charWidth, double height, const std::string& text,
            const RgbColorDef& c) override {
    if (text.empty() || !(height > 0) || !(charWidth > 0)) return;
    select(c);
    const double radians = angle * M_PI / 180;
    // Character width and cap height in centimetres (a character's cell is one and a half times
    // its width, so the width is the pitch / 1.5); the label runs along the text's direction.
    out_ += "PU" + point(corner) + ";DI" + format("%.5f", std::cos(radians)) + "," + format("%.5f", std::sin(radians)) +
            ";SI" + format("%.4f", charWidth / 15) + "," + format("%.4f", height / 10) + ";LB";
    for (char ch : text) out_ += ch == '\x03' ? ' ' : ch;
    out_ += "\x03;\n";
  }

  std::string finish() override { return out_ + "PU;SP0;PG" + std::to_string(copies_) + ";\n"; }

 private:
  static std::string units(double v) { return std::to_string(std::lround(v * kHpglUnitsPerMm)); }
  static std::string point(const DPoint3d& p) { return units(p.x) + "," + units(p.y); }

  // A pen of that colour, defined at its first use (pens 1 to 255).
  void select(const RgbColorDef& c) {
    const int key = (c.red << 16) | (c.green << 8) | c.blue;
    auto it = pens_.find(key);
    if (it == pens_.end()) {
      const int pen = static_cast<int>(pens_.size() % 255) + 1;
      it = pens_.emplace(key, pen).first;
      out_ += "PC" + std::to_string(pen) + "," + std::to_string(c.red) + "," + std::to_string(c.green) + "," +
              std::to_string(c.blue) + ";";
    }
    out_ += "SP" + std::to_string(it->second) + ";";
  }

  std::string out_;
  std::map<int, int> pens_;
  int copies_ = 1;
};

}  // namespace

std::unique_ptr<PageWriter> makeWriter(Language language, const PageWindow& window, const std::string& title) {
  if (language == Language::Hpgl2) return std::make_unique<Hpgl2>(window);
  return std::make_unique<PostScript>(window, title);
}

}  // namespace pixmend::host::plot
