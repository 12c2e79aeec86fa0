// Writes realistic coordinate text to stdout: random-walk segments with "# segment N" lines
// between them, and a few percent of lines in the other accepted shapes (';', comma decimal marks,
// TABs, CR LF endings, extra blanks).
//
//   generate_coordinates SEED MEGABYTES [SHAPE [PROFILE]] > coast.txt
//   generate_coordinates --rewrite SEED SHAPE PROFILE < in.txt > out.txt
//
// SHAPE is how numbers are written: 6 (the default), 10 or 12 decimals; `shortest`, the shortest
// text that reads back as the same double, 15 to 17 significant digits as most programs print
// doubles; or `mixed`, 3 to 14 decimals or the shortest text, with commas, ';', TABs and CR LF on a
// third of the lines; or `gmt`, as GMT writes text: 10 decimals, a TAB between them, no other
// shapes.
// PROFILE is the segment length: `long`, 2 to 3000 points (the default), or `short`, 5 to 15.
// --rewrite reads the points of a text of "x y" lines and writes them again in SHAPE (adding a
// random part below 10^-12 for `shortest` and `mixed`, so they are doubles with all their digits);
// `long` cuts them into segments of 3000 points, `short` keeps the text's own separator lines.
// SPDX-License-Identifier: MIT
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>
#include <string>

namespace {

enum class Shape { kDecimals6, kDecimals10, kDecimals12, kShortest, kMixed, kGmt };

bool ParseShape(const char* text, Shape& shape) {
  const std::string name = text;
  if (name == "6")
    shape = Shape::kDecimals6;
  else if (name == "10")
    shape = Shape::kDecimals10;
  else if (name == "12")
    shape = Shape::kDecimals12;
  else if (name == "shortest")
    shape = Shape::kShortest;
  else if (name == "mixed")
    shape = Shape::kMixed;
  else if (name == "gmt")
    shape = Shape::kGmt;
  else
    return false;
  return true;
}

class CoordinateWriter {
 public:
  CoordinateWriter(unsigned long long seed, Shape shape) : engine_(seed), shape_(shape) {}

  void WriteSegment(long number, bool short_segments, std::string& out) {
    WriteSeparator(number, out);
    const int points = short_segments ? std::uniform_int_distribution<int>(5, 15)(engine_)
                                      : std::uniform_int_distribution<int>(2, 3000)(engine_);
    double longitude = std::uniform_real_distribution<double>(-180, 180)(engine_);
    double latitude = std::uniform_real_distribution<double>(-80, 80)(engine_);
    std::normal_distribution<double> step(0, 0.01);
    for (int i = 0; i < points; ++i) {
      longitude += step(engine_);
      latitude += step(engine_);
      if (longitude >= 180) longitude -= 360;
      if (longitude < -180) longitude += 360;
      WritePoint(longitude, latitude, out);
    }
  }

  void WriteSeparator(long number, std::string& out) {
    out += "# segment ";
    out += std::to_string(number);
    out += '\n';
  }

  // A point read from other text, written again in this writer's shape.
  void RewritePoint(double longitude, double latitude, std::string& out) {
    if (shape_ == Shape::kShortest || shape_ == Shape::kMixed) {
      std::uniform_real_distribution<double> jitter(0, 1e-12);
      longitude += jitter(engine_);
      latitude += jitter(engine_);
    }
    WritePoint(longitude, latitude, out);
  }

 private:
  void WriteValue(double value, int decimals, bool comma, std::string& out) {
    char text[64];
    const auto end = decimals < 0 ? std::to_chars(text, text + sizeof text, value).ptr
                                  : std::to_chars(text, text + sizeof text, value,
                                                  std::chars_format::fixed, decimals)
                                        .ptr;
    const std::size_t start = out.size();
    out.append(text, end);
    if (comma && out.find('.', start) != std::string::npos) out[out.find('.', start)] = ',';
  }

  // Decimals for the next value: -1 for the shortest text.
  int Decimals() {
    switch (shape_) {
      case Shape::kDecimals6:
        return 6;
      case Shape::kDecimals10:
      case Shape::kGmt:
        return 10;
      case Shape::kDecimals12:
        return 12;
      case Shape::kShortest:
        return -1;
      case Shape::kMixed:
        break;
    }
    const int decimals = std::uniform_int_distribution<int>(3, 15)(engine_);
    return decimals == 15 ? -1 : decimals;
  }

  void WritePoint(double longitude, double latitude, std::string& out) {
    if (shape_ == Shape::kGmt) {
      WriteValue(longitude, Decimals(), false, out);
      out += '\t';
      WriteValue(latitude, Decimals(), false, out);
      out += '\n';
      return;
    }
    // A third of the mixed lines take one of the other shapes; a few percent of the others.
    const int shape = shape_ == Shape::kMixed ? std::uniform_int_distribution<int>(0, 20)(engine_)
                                              : std::uniform_int_distribution<int>(0, 99)(engine_);
    if (shape == 0) out += "  ";                         // leading blanks
    WriteValue(longitude, Decimals(), shape == 1, out);  // comma decimal mark
    out += shape == 2 ? ";" : shape == 3 ? "\t" : shape == 4 ? " ; " : " ";
    WriteValue(latitude, Decimals(), shape == 1, out);
    if (shape == 5) out += "   ";  // trailing blanks
    out += shape == 6 ? "\r\n" : "\n";
  }

  std::mt19937_64 engine_;
  Shape shape_;
};

int Generate(unsigned long long seed, double megabytes, Shape shape, bool short_segments) {
  CoordinateWriter writer(seed, shape);
  const double target = megabytes * 1e6;
  std::string chunk;
  double written = 0;
  for (long segment = 1; written < target; ++segment) {
    chunk.clear();
    writer.WriteSegment(segment, short_segments, chunk);
    if (std::fwrite(chunk.data(), 1, chunk.size(), stdout) != chunk.size()) return 1;
    written += static_cast<double>(chunk.size());
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Rewrite(unsigned long long seed, Shape shape, bool short_segments) {
  CoordinateWriter writer(seed, shape);
  std::string line;
  std::string out;
  long segment = 0;
  long points = 0;
  while (std::getline(std::cin, line)) {
    double longitude = 0;
    double latitude = 0;
    const char* const end = line.data() + line.size();
    const auto first = std::from_chars(line.data(), end, longitude);
    const char* second = first.ptr;
    while (second != end && (*second == ' ' || *second == '\t')) ++second;
    if (first.ec != std::errc() || std::from_chars(second, end, latitude).ec != std::errc()) {
      if (short_segments && !line.empty()) writer.WriteSeparator(++segment, out);
      continue;
    }
    if (!short_segments && points++ % 3000 == 0) writer.WriteSeparator(++segment, out);
    writer.RewritePoint(longitude, latitude, out);
    if (out.size() > (1 << 20)) {
      if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) return 1;
      out.clear();
    }
  }
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) return 1;
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: generate_coordinates SEED MEGABYTES [6|10|12|shortest|mixed|gmt [long|short]]\n"
      "       generate_coordinates --rewrite SEED SHAPE long|short < text\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Shape shape = Shape::kDecimals6;
  if (argc == 5 && std::strcmp(argv[1], "--rewrite") == 0) {
    const std::string profile = argv[4];
    if (!ParseShape(argv[3], shape) || (profile != "long" && profile != "short")) return Usage();
    return Rewrite(std::strtoull(argv[2], nullptr, 10), shape, profile == "short");
  }
  if (argc < 3 || argc > 5 || (argc >= 4 && !ParseShape(argv[3], shape))) return Usage();
  const std::string profile = argc == 5 ? argv[4] : "long";
  if (profile != "long" && profile != "short") return Usage();
  return Generate(std::strtoull(argv[1], nullptr, 10), std::strtod(argv[2], nullptr), shape,
                  profile == "short");
}
