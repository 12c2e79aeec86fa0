// The line reader for x86-64 CPUs with AVX2, BMI1 and BMI2.
#include <immintrin.h>

#include <cstdint>
#include <limits>

#include "common/avx2_target.h"
#include "text_input/simple_line.h"
#include "text_input/simple_lines.h"

namespace coord2seg {
namespace {

// A line is classified 32 bytes at a time into bit masks, one bit per byte, and the common line
// is recognised from those masks with a handful of bit operations instead of a loop over bytes.
// Its end mark must lie in the first 31 bytes, so the byte after a CR is in the window too.
constexpr std::uint32_t kLineEndPlaces = 0x7fffffff;
// The reads go at most this far past a line start: a 16-byte load from a digit in the window.
constexpr std::ptrdiff_t kReadableBytes = 64;

// Both numbers' digits are converted at once, each from a 16-byte load starting at its first
// digit: a shuffle puts the integer digits right-aligned in the first 8 bytes and the fraction
// digits left-aligned in the last 8, zeros elsewhere. The value is then
// (integer * 10^8 + fraction * 10^(8 - fraction digits)) / 10^8: the same number as the digits
// say, with an exact numerator (below 10^15 < 2^53 for at most 7 integer digits) and an exact
// power of ten, so one division rounds it correctly.
constexpr int kMaxIntegerDigits = 7;
constexpr int kMaxFractionDigits = 8;

struct ShuffleControls {
  alignas(16) std::uint8_t bytes[kMaxIntegerDigits + 1][kMaxFractionDigits + 1][16];
};

constexpr ShuffleControls MakeShuffleControls() {
  constexpr std::uint8_t kZero = 0x80;  // a shuffle control byte that yields 0
  ShuffleControls controls{};
  for (int integer = 0; integer <= kMaxIntegerDigits; ++integer) {
    for (int fraction = 0; fraction <= kMaxFractionDigits; ++fraction) {
      std::uint8_t* control = controls.bytes[integer][fraction];
      for (int k = 0; k < 8; ++k) {
        control[k] = k >= 8 - integer ? static_cast<std::uint8_t>(k - (8 - integer)) : kZero;
        control[8 + k] = k < fraction ? static_cast<std::uint8_t>(integer + 1 + k) : kZero;
      }
    }
  }
  return controls;
}

constexpr ShuffleControls kShuffleControls = MakeShuffleControls();

// The byte constants of the classification, made once per run of lines. Hidden from the
// optimiser, which would otherwise rebuild each from an immediate in every pass, at three
// instructions apiece.
struct ByteConstants {
  __m256i lf, cr, zero, nine, plus, three, two, dot, blank, semicolon;
};

COORD2SEG_AVX2 inline __m256i Opaque(char c) {
  __m256i repeated = _mm256_set1_epi8(c);
  asm("" : "+x"(repeated));
  return repeated;
}

COORD2SEG_AVX2 inline ByteConstants MakeByteConstants() {
  return {Opaque('\n'), Opaque('\r'), Opaque('0'), Opaque(9),   Opaque('+'),
          Opaque(3),    Opaque(2),    Opaque('.'), Opaque(' '), Opaque(';')};
}

COORD2SEG_AVX2 inline std::uint32_t Bits(__m256i bytes) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes));
}

COORD2SEG_AVX2 inline __m256i Equal(__m256i a, __m256i b) { return _mm256_cmpeq_epi8(a, b); }

// Bytes that are at most `limit` as unsigned numbers.
COORD2SEG_AVX2 inline __m256i AtMost(__m256i bytes, __m256i limit) {
  return _mm256_cmpeq_epi8(_mm256_min_epu8(bytes, limit), bytes);
}

// Bytes from `low` to `low + span`.
COORD2SEG_AVX2 inline __m256i InRange(__m256i bytes, __m256i low, __m256i span) {
  return AtMost(_mm256_sub_epi8(bytes, low), span);
}

// One window of a line as bit masks, bit i for byte i.
struct ByteClasses {
  std::uint32_t ends;     // CR or LF
  std::uint32_t number;   // digits, '+', '-', '.' and ','
  std::uint32_t signs;    // '+' and '-'
  std::uint32_t marks;    // '.' and ','
  std::uint32_t trimmed;  // bytes 0 to 32 and ';', which the reading trims around fields
};

COORD2SEG_AVX2 inline ByteClasses Classify(const char* p, const ByteConstants& k) {
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i signs_or_marks = InRange(bytes, k.plus, k.three);  // '+', ',', '-', '.'
  const std::uint32_t marks = Bits(Equal(_mm256_or_si256(bytes, k.two), k.dot));  // ',' | 2 is '.'
  return {
      Bits(_mm256_or_si256(Equal(bytes, k.lf), Equal(bytes, k.cr))),
      Bits(_mm256_or_si256(InRange(bytes, k.zero, k.nine), signs_or_marks)),
      Bits(signs_or_marks) & ~marks,
      marks,
      Bits(_mm256_or_si256(AtMost(bytes, k.blank), Equal(bytes, k.semicolon))),
  };
}

// Where one number of the line lies, from the bits of its first byte and of the byte after it.
struct NumberPlace {
  int first_digit;  // after the sign, if any
  int integer_digits;
  int fraction_digits;
  bool convertible;  // at most one mark, at least one digit, digit counts within the limits
};

COORD2SEG_AVX2 inline NumberPlace PlaceNumber(std::uint32_t start, std::uint32_t after,
                                              const ByteClasses& classes) {
  const std::uint32_t mark = classes.marks & (after - start);
  const int first = static_cast<int>(_tzcnt_u32(start));
  const int first_digit = first + static_cast<int>((classes.signs >> first) & 1);
  const int point = static_cast<int>(_tzcnt_u32(mark | after));  // the end when there is no mark
  const int integer_digits = point - first_digit;
  const int fraction_digits =
      static_cast<int>(_tzcnt_u32(after)) - point - static_cast<int>(mark != 0);
  // (Neither count is ever negative; compared unsigned, a fault could not index the table.)
  const bool convertible = _blsr_u32(mark) == 0 &&
                           static_cast<unsigned>(integer_digits) <= kMaxIntegerDigits &&
                           static_cast<unsigned>(fraction_digits) <= kMaxFractionDigits &&
                           integer_digits + fraction_digits > 0;
  return {first_digit, integer_digits, fraction_digits, convertible};
}

COORD2SEG_AVX2 inline __m128i ShuffleControl(const NumberPlace& place) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(
      kShuffleControls.bytes[place.integer_digits][place.fraction_digits]));
}

// The magnitudes of both numbers, as doubles.
COORD2SEG_AVX2 inline __m128d Magnitudes(const char* p, const NumberPlace& first,
                                         const NumberPlace& second, const ByteConstants& k) {
  const __m256i bytes =
      _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + second.first_digit),
                          reinterpret_cast<const __m128i*>(p + first.first_digit));
  const __m256i control = _mm256_inserti128_si256(_mm256_castsi128_si256(ShuffleControl(first)),
                                                  ShuffleControl(second), 1);
  __m256i digits = _mm256_shuffle_epi8(_mm256_sub_epi8(bytes, k.zero), control);
  digits = _mm256_maddubs_epi16(digits, _mm256_set1_epi16(0x010a));   // 2 digits: 10a + b
  digits = _mm256_madd_epi16(digits, _mm256_set1_epi32(0x00010064));  // 4 digits: 100a + b
  digits = _mm256_packus_epi32(digits, digits);                       // as 16-bit values
  digits = _mm256_madd_epi16(digits, _mm256_set1_epi32(0x00012710));  // 8 digits: 10000a + b
  // Now integer, fraction of the first number in the low half, of the second in the high half.
  const __m128i groups =
      _mm_unpacklo_epi32(_mm256_castsi256_si128(digits), _mm256_extracti128_si256(digits, 1));
  const __m128d integers = _mm_cvtepi32_pd(groups);
  const __m128d fractions = _mm_cvtepi32_pd(_mm_srli_si128(groups, 8));
  const __m128d scale = _mm_set1_pd(1e8);
  return _mm_div_pd(_mm_add_pd(_mm_mul_pd(integers, scale), fractions), scale);
}

// The sign bit of a double for the number that starts at `first`.
inline long long SignBit(char first) {
  return first == '-' ? std::numeric_limits<long long>::min() : 0;
}

// The common line, "number separators number", starting right at `p`, read from its classified
// window: returns where the next line starts and sets `point`, or nullptr for any line of another
// shape (leading blanks included: those few go to the plain reading). Needs kReadableBytes
// readable at `p`.
COORD2SEG_AVX2 inline const char* ReadLineAvx2(const char* p, bool lat_first, GeoPoint& point,
                                               const ByteConstants& k) {
  const ByteClasses classes = Classify(p, k);
  const std::uint32_t ends = classes.ends & kLineEndPlaces;
  const std::uint32_t line = _blsi_u32(ends) - 1;  // the bytes before the end mark; all if none
  const std::uint32_t number = classes.number & line;
  // Exactly two runs of number bytes, the first at the start, with trimmed bytes around them.
  const std::uint32_t starts = number & ~(number << 1);
  const std::uint32_t second_start = _blsr_u32(starts);
  if (ends == 0 || ((number | classes.trimmed) & line) != line || (starts & 1) == 0 ||
      second_start == 0 || _blsr_u32(second_start) != 0 || (classes.signs & line & ~starts) != 0) {
    return nullptr;
  }
  // Adding a run's lowest bit carries out of the run into the bit after it.
  const std::uint32_t first_after = (number + 1) & ~number;
  const std::uint32_t second_after = (number + second_start) & ~number;
  const NumberPlace first = PlaceNumber(1, first_after, classes);
  const NumberPlace second = PlaceNumber(second_start, second_after, classes);
  // The first field ends at the first blank, ';' or TAB, so that must follow the first number.
  if (!IsFieldSeparator(p[_tzcnt_u32(first_after)]) || !first.convertible || !second.convertible) {
    return nullptr;
  }

  __m128d values = Magnitudes(p, first, second, k);
  values = _mm_xor_pd(values, _mm_castsi128_pd(_mm_set_epi64x(SignBit(p[_tzcnt_u32(second_start)]),
                                                              SignBit(p[0]))));
  const double first_value = _mm_cvtsd_f64(values);
  const double second_value = _mm_cvtsd_f64(_mm_unpackhi_pd(values, values));
  point = AssignAndWrap(first_value, second_value, lat_first);

  const unsigned end = _tzcnt_u32(ends);
  return p + end + 1 + (p[end] == '\r' && p[end + 1] == '\n');
}

// Lines the window does not take. Kept out of line so the loop above stays small.
[[gnu::noinline]] const char* ReadOtherLine(const char* p, const char* end, bool lat_first,
                                            GeoPoint& point) {
  return ReadSimpleLine(p, end, lat_first, point);
}

}  // namespace

COORD2SEG_AVX2 SimpleLinesRead ReadSimpleLinesAvx2(const char* p, const char* end, bool lat_first,
                                                   std::span<GeoPoint> points) {
  const ByteConstants k = MakeByteConstants();
  std::size_t lines = 0;
  while (lines < points.size()) {
    const char* next =
        end - p >= kReadableBytes ? ReadLineAvx2(p, lat_first, points[lines], k) : nullptr;
    // Longer lines, long numbers and the end of the text: the plain reading.
    if (next == nullptr) next = ReadOtherLine(p, end, lat_first, points[lines]);
    if (next == nullptr) break;
    p = next;
    ++lines;
  }
  return {p, lines};
}

}  // namespace coord2seg
