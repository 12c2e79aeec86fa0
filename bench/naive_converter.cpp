// A straightforward converter, the yardstick for throughput: it reads the file with getline,
// copies each line, splits and converts with std::from_chars and grows a vector per record. It
// is not exact in every corner (no 999-byte window, rounding through double) and is not used for
// anything but timing.
//
//   naive_converter INPUT OUTPUT
// SPDX-License-Identifier: MIT
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool ParseLine(std::string line, double& first, double& second) {
  for (char& c : line) {
    if (c == ';' || c == '\t' || c == '\r') c = ' ';
    if (c == ',') c = '.';
  }
  const std::size_t begin = line.find_first_not_of(' ');
  if (begin == std::string::npos) return false;
  const std::size_t blank = line.find(' ', begin);
  if (blank == std::string::npos) return false;
  const std::size_t next = line.find_first_not_of(' ', blank);
  if (next == std::string::npos) return false;
  const char* end = line.data() + line.size();
  auto a = std::from_chars(line.data() + begin, line.data() + blank, first);
  auto b = std::from_chars(line.data() + next, end, second);
  return a.ec == std::errc() && b.ec == std::errc();
}

void Flush(std::vector<std::int16_t>& pairs, std::FILE* out) {
  if (pairs.empty()) return;
  const auto count = static_cast<std::uint32_t>(pairs.size() / 2);
  std::vector<unsigned char> record(5);
  for (int i = 0; i < 4; ++i) record[i] = static_cast<unsigned char>(count >> (8 * i));
  for (std::int16_t v : pairs) {
    record.push_back(static_cast<unsigned char>(v));
    record.push_back(static_cast<unsigned char>(static_cast<std::uint16_t>(v) >> 8));
  }
  std::fwrite(record.data(), 1, record.size(), out);
  pairs.clear();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!in || out == nullptr) return 1;
  std::vector<std::int16_t> pairs;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '#') {
      Flush(pairs, out);
      continue;
    }
    double lon = 0;
    double lat = 0;
    if (!ParseLine(line, lon, lat)) continue;
    if (lon >= 180) lon -= 360;
    if (lon < -180) lon += 360;
    pairs.push_back(static_cast<std::int16_t>(std::nearbyint(lon * 60)));
    pairs.push_back(static_cast<std::int16_t>(std::nearbyint(lat * 60)));
  }
  Flush(pairs, out);
  return std::fclose(out) == 0 ? 0 : 1;
}
