// Writes realistic coordinate text to stdout: random-walk segments of 2 to 3000 points with six
// decimals, "# segment N" lines between them, and a few percent of lines in the other accepted
// shapes (';', comma decimal marks, TABs, CR LF endings, extra blanks).
//
//   generate_coordinates SEED MEGABYTES > coast.txt
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

class CoordinateWriter {
 public:
  explicit CoordinateWriter(unsigned long long seed) : engine_(seed) {}

  void WriteSegment(long number, std::string& out) {
    out += "# segment ";
    out += std::to_string(number);
    out += '\n';
    const int points = std::uniform_int_distribution<int>(2, 3000)(engine_);
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

 private:
  void WriteValue(double value, bool comma, std::string& out) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6).ptr;
    const std::size_t start = out.size();
    out.append(text, end);
    if (comma) out[out.find('.', start)] = ',';
  }

  void WritePoint(double longitude, double latitude, std::string& out) {
    const int shape = std::uniform_int_distribution<int>(0, 99)(engine_);
    if (shape == 0) out += "  ";             // leading blanks
    WriteValue(longitude, shape == 1, out);  // comma decimal mark
    out += shape == 2 ? ";" : shape == 3 ? "\t" : shape == 4 ? " ; " : " ";
    WriteValue(latitude, shape == 1, out);
    if (shape == 5) out += "   ";  // trailing blanks
    out += shape == 6 ? "\r\n" : "\n";
  }

  std::mt19937_64 engine_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: generate_coordinates SEED MEGABYTES\n");
    return 2;
  }
  CoordinateWriter writer(std::strtoull(argv[1], nullptr, 10));
  const double target = std::strtod(argv[2], nullptr) * 1e6;
  std::string chunk;
  double written = 0;
  for (long segment = 1; written < target; ++segment) {
    chunk.clear();
    writer.WriteSegment(segment, chunk);
    if (std::fwrite(chunk.data(), 1, chunk.size(), stdout) != chunk.size()) return 1;
    written += static_cast<double>(chunk.size());
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
