// The line reader for x86-64 CPUs with AVX2, BMI1 and BMI2.
// SPDX-License-Identifier: MIT
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <limits>

#include "common/avx2_target.h"
#include "decimal_text/read_decimal.h"
#include "text_input/coordinate_grammar.h"
#include "text_input/read_simple_line.h"
#include "text_input/simple_line_runs.h"

namespace coord2seg {
namespace {

// A line is classified 32 bytes at a time into bit masks, one bit per byte, and the common line
// is recognised from those masks with a handful of bit operations instead of a loop over bytes.
// A second 32 bytes are classified only for a line that does not end in the first. Its end mark
// must lie in the first 64 bytes; the byte after a CR is read from memory.
// The reads go at most this far past a line start: a 16-byte load from a digit in the window.
constexpr std::ptrdiff_t kReadableBytes = 96;

// Numbers of up to 15 digits are converted two at a time, each from a 16-byte load starting at its
// first digit: a shuffle drops the mark and puts the digits right-aligned in 16 bytes, zeros before
// them. The value is then (first 8 digits * 10^8 + last 8 digits) / 10^(fraction digits): an exact
// numerator below 10^15 < 2^53 over an exact power of ten, so one division rounds it correctly.
// Longer numbers, up to 19 digits, are valued in 24 places instead (kLongShuffleControls).
constexpr unsigned kMaxVectorDigits = 15;
constexpr unsigned kMaxDigits = kMaxSignificantDigits;
// What follows the integer digits: nothing (0), or the mark and the fraction digits (1 to 16).
constexpr unsigned kMaxTail = kMaxVectorDigits + 1;

struct ShuffleControls {
  alignas(16) std::uint8_t bytes[kMaxVectorDigits + 1][kMaxTail + 1][16];
};

constexpr ShuffleControls MakeShuffleControls() {
  constexpr std::uint8_t kZero = 0x80;  // a shuffle control byte that yields 0
  ShuffleControls controls{};
  for (unsigned integer = 0; integer <= kMaxVectorDigits; ++integer) {
    for (unsigned tail = 0; tail <= kMaxTail; ++tail) {
      const unsigned digits = integer + (tail > 0 ? tail - 1 : 0);
      std::uint8_t* control = controls.bytes[integer][tail];
      for (unsigned k = 0; k < 16; ++k) {
        const unsigned digit = k + digits;  // the digit's index when k >= 16 - digits
        control[k] =
            digit < 16 ? kZero : static_cast<std::uint8_t>(digit - 16 + (digit - 16 >= integer));
      }
    }
  }
  return controls;
}

constexpr ShuffleControls kShuffleControls = MakeShuffleControls();

// For every integer digit count and tail a window can show (0 to 63 each), where its control lies
// in kShuffleControls; or kLongNumber, more digits than the vector conversion takes; or
// kNoDigit.
constexpr std::uint16_t kLongNumber = 0x4000;
constexpr std::uint16_t kNoDigit = 0x8000;

constexpr std::uint16_t VectorShape(unsigned integer, unsigned tail) {
  const unsigned digits = integer + (tail > 0 ? tail - 1 : 0);
  if (digits == 0) return kNoDigit;
  if (digits > kMaxVectorDigits) return kLongNumber;
  return static_cast<std::uint16_t>((integer * (kMaxTail + 1) + tail) * 16);
}

// Numbers of up to kMaxDigits digits with a fraction are valued in the loop too, both at once, in
// 24 places of three groups of eight digits, right-aligned: the first 16 places from a 16-byte
// load at the number's first digit, the last 8 from a 16-byte load that ends at the number's end
// (or also starts at its first digit when the number has at most 16 bytes). One pair of shuffle
// controls per shape, found by the same table load as the short shape; the groups are joined into
// the significand in 64-bit lanes, which the 128-bit product then takes. Lines with a long number
// without a fraction digit, or with more than kMaxDigits digits, are left to the plain reader.
struct LongShuffleControls {
  alignas(32) std::uint8_t bytes[kMaxDigits + 1][kMaxDigits + 2][32];
};

// Where the digit `index` (from 0) of a number with `integer` integer digits lies after its first
// digit, the mark being skipped.
constexpr unsigned DigitByte(unsigned index, unsigned integer) {
  return index + (index >= integer ? 1 : 0);
}

// The first load of a long number starts at its first digit; the second this far after it.
constexpr unsigned SecondLoadOffset(unsigned bytes) { return bytes > 16 ? bytes - 16 : 0; }

constexpr LongShuffleControls MakeLongShuffleControls() {
  constexpr std::uint8_t kZero = 0x80;
  LongShuffleControls controls{};
  for (unsigned integer = 0; integer <= kMaxDigits; ++integer) {
    for (unsigned tail = 2; integer + tail - 1 <= kMaxDigits; ++tail) {
      const unsigned digits = integer + tail - 1;
      const unsigned second = SecondLoadOffset(integer + tail);
      std::uint8_t* control = controls.bytes[integer][tail];
      for (unsigned place = 0; place < 24; ++place) {
        const unsigned missing = 24 - digits;  // zeros before the first digit
        const bool digit = place >= missing;
        const unsigned byte = digit ? DigitByte(place - missing, integer) : 0;
        if (place < 16) {
          control[place] = digit ? static_cast<std::uint8_t>(byte) : kZero;
        } else {
          control[place] = digit ? static_cast<std::uint8_t>(byte - second) : kZero;
        }
      }
      for (unsigned k = 24; k < 32; ++k) control[k] = kZero;
    }
  }
  return controls;
}

constexpr LongShuffleControls kLongShuffleControls = MakeLongShuffleControls();

// For every integer digit count and tail, what the loop needs of a long number's shape, in one
// word: the offset of its controls in kLongShuffleControls, where its second load starts, and
// its fraction digits; or kLeftToPlainReader.
constexpr std::uint32_t kLeftToPlainReader = 0x80000000;

struct LongShape {
  static constexpr std::uint32_t Pack(unsigned controls, unsigned second_load, unsigned fraction) {
    return controls | second_load << 16 | fraction << 24;
  }
  static unsigned Controls(std::uint32_t shape) { return shape & 0xffff; }
  static unsigned SecondLoad(std::uint32_t shape) { return shape >> 16 & 0xff; }
  static int FractionDigits(std::uint32_t shape) { return static_cast<int>(shape >> 24); }
};

constexpr std::uint32_t LongShapeOf(unsigned integer, unsigned tail) {
  const bool in_line = tail >= 2 && integer + tail - 1 <= kMaxDigits;
  return in_line ? LongShape::Pack((integer * (kMaxDigits + 2) + tail) * 32,
                                   SecondLoadOffset(integer + tail), tail - 1)
                 : kLeftToPlainReader;
}

// Both for every integer digit count and tail, so that one load classifies a number and finds
// its controls either way: VectorShape in the low 16 bits, LongShapeOf in the high 32.
struct NumberShapes {
  std::uint64_t entries[64][64];
};

constexpr NumberShapes MakeNumberShapes() {
  NumberShapes table{};
  for (unsigned integer = 0; integer < 64; ++integer) {
    for (unsigned tail = 0; tail < 64; ++tail) {
      table.entries[integer][tail] =
          VectorShape(integer, tail) | std::uint64_t{LongShapeOf(integer, tail)} << 32;
    }
  }
  return table;
}

constexpr NumberShapes kNumberShapes = MakeNumberShapes();

// Every control byte of a shape picks a byte of its own load, and so a digit of the number.
constexpr bool LongControlsStayInTheirWindows() {
  for (unsigned integer = 0; integer <= kMaxDigits; ++integer) {
    for (unsigned tail = 2; integer + tail - 1 <= kMaxDigits; ++tail) {
      const std::uint8_t* control = kLongShuffleControls.bytes[integer][tail];
      for (unsigned k = 0; k < 32; ++k) {
        if (control[k] != 0x80 && control[k] >= 16) return false;
      }
    }
  }
  return true;
}
static_assert(LongControlsStayInTheirWindows(), "a long number's control reads outside its loads");

// 10^(fraction digits) for each tail of a number the vector conversion takes.
constexpr double kScaleOfTail[kMaxTail + 1] = {1e0, 1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Every byte is classified by two table lookups, on its low and on its high four bits; a class is
// a bit that both lookups give. Each class comes from one high half only, so no byte takes a class
// from the halves of two others. Bytes from 128 up have no class.
enum ByteClass : std::uint8_t {
  kDigit = 1,       // '0' to '9'
  kBlank = 4,       // ' '
  kLineEnd = 8,     // LF, CR
  kSemicolon = 16,  // ';'
  kTab = 32,        // TAB
  kMinus = 64,      // '-'
  kMark = 128,      // ',', '.'
};

struct ClassTables {
  std::uint8_t low[16];
  std::uint8_t high[16];
};

// The classes of one byte by the grammar's own tests. The three separators have a class each.
constexpr std::uint8_t GrammarClasses(char c) {
  std::uint8_t classes = 0;
  if (IsDigit(c)) classes |= kDigit;
  if (IsFieldSeparator(c) && c == ' ') classes |= kBlank;
  if (IsLineEnd(c)) classes |= kLineEnd;
  if (IsFieldSeparator(c) && c == ';') classes |= kSemicolon;
  if (IsFieldSeparator(c) && c == '\t') classes |= kTab;
  if (c == '-') classes |= kMinus;
  if (IsDecimalMark(c)) classes |= kMark;
  return classes;
}

constexpr ClassTables MakeClassTables() {
  ClassTables tables{};
  for (unsigned byte = 0; byte < 128; ++byte) {
    const std::uint8_t classes = GrammarClasses(static_cast<char>(byte));
    tables.low[byte & 15] |= classes;
    tables.high[byte >> 4] |= classes;
  }
  return tables;
}

constexpr ClassTables kClassTables = MakeClassTables();

// Two lookups give each byte exactly the grammar's classes, none borrowed from other bytes that
// share a half, and the separator classes are all the field separators.
constexpr bool ClassTablesFollowTheGrammar() {
  for (unsigned byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const unsigned looked_up = kClassTables.low[byte & 15] & kClassTables.high[byte >> 4];
    if (looked_up != GrammarClasses(c)) return false;
    const bool separator_class = (GrammarClasses(c) & (kBlank | kSemicolon | kTab)) != 0;
    if (separator_class != IsFieldSeparator(c)) return false;
  }
  return true;
}
static_assert(ClassTablesFollowTheGrammar(), "the byte classes differ from the grammar");

// The constants of the classification, loaded once per run of lines from one block, one load
// each. Hidden from the optimiser, which would otherwise rebuild each from an immediate or
// reload it in every pass.
struct ByteConstants {
  __m256i low_table, high_table, low_nibble, number, fits, half, zero;
};

struct alignas(32) ByteConstantBlock {
  std::uint8_t bytes[7][32];
};

constexpr ByteConstantBlock MakeByteConstantBlock() {
  ByteConstantBlock block{};
  for (unsigned i = 0; i < 32; ++i) {
    block.bytes[0][i] = kClassTables.low[i % 16];
    block.bytes[1][i] = kClassTables.high[i % 16];
    block.bytes[2][i] = 15;
    block.bytes[3][i] = kDigit | kMinus | kMark;
    block.bytes[4][i] = kDigit | kMinus | kMark | kBlank | kSemicolon | kTab;
    block.bytes[5][i] = 127;
    block.bytes[6][i] = '0';
  }
  return block;
}

constexpr ByteConstantBlock kByteConstantBlock = MakeByteConstantBlock();

COORD2SEG_AVX2 inline __m256i Opaque(__m256i value) {
  asm("" : "+x"(value));
  return value;
}

COORD2SEG_AVX2 inline __m256i Constant(const ByteConstantBlock* block, unsigned index) {
  return Opaque(_mm256_load_si256(reinterpret_cast<const __m256i*>(block->bytes[index])));
}

// The block's address is hidden too, so that each constant is one load, not an immediate
// broadcast, once per call.
COORD2SEG_AVX2 inline ByteConstants MakeByteConstants() {
  const ByteConstantBlock* block = &kByteConstantBlock;
  asm("" : "+r"(block));
  return {Constant(block, 0), Constant(block, 1), Constant(block, 2), Constant(block, 3),
          Constant(block, 4), Constant(block, 5), Constant(block, 6)};
}

COORD2SEG_AVX2 inline std::uint32_t Bits(__m256i bytes) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes));
}

// The bytes that have a class among `classes`: saturating addition takes any nonzero class bits
// to the top bit.
COORD2SEG_AVX2 inline std::uint32_t Having(__m256i byte_classes, __m256i classes,
                                           const __m256i& half) {
  return Bits(_mm256_adds_epu8(_mm256_and_si256(byte_classes, classes), half));
}

// One window of a line as bit masks, bit i for byte i.
struct ByteClasses {
  std::uint64_t fits;    // number bytes and separators: blank, ';' and TAB
  std::uint64_t number;  // digits, '-', '.' and ','
  std::uint64_t minus;   // '-', the only sign taken here: a '+' fits no line, which then goes to
                         // the plain reader, and one mask less is formed for every line
  std::uint64_t marks;   // '.' and ','
};

COORD2SEG_AVX2 inline ByteClasses Classify32(const char* p, const ByteConstants& k) {
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i low = _mm256_shuffle_epi8(k.low_table, _mm256_and_si256(bytes, k.low_nibble));
  const __m256i high = _mm256_shuffle_epi8(
      k.high_table, _mm256_and_si256(_mm256_srli_epi16(bytes, 4), k.low_nibble));
  const __m256i classes = _mm256_and_si256(low, high);
  const std::uint32_t marks = Bits(classes);  // kMark is the top bit
  return {
      Having(classes, k.fits, k.half),
      Having(classes, k.number, k.half),
      Bits(_mm256_slli_epi16(classes, 1)),  // kMinus
      marks,
  };
}

// The first 32 bytes, and the next 32 too if all of them fit a line (so that no line end is among
// them).
COORD2SEG_AVX2 inline ByteClasses Classify(const char* p, const ByteConstants& k) {
  ByteClasses classes = Classify32(p, k);
  if (static_cast<std::uint32_t>(classes.fits) == 0xffffffff) [[unlikely]] {
    const ByteClasses more = Classify32(p + 32, k);
    classes.fits |= more.fits << 32;
    classes.number |= more.number << 32;
    classes.minus |= more.minus << 32;
    classes.marks |= more.marks << 32;
  }
  return classes;
}

// Where one number of the line lies, from the bits of its first byte and of the byte after it.
struct NumberPlace {
  std::uint64_t first_digit;  // after the sign, if any
  std::uint64_t tail;         // 0 without a mark, else the mark and the fraction digits
  std::uint64_t shapes;       // from kNumberShapes
  std::uint64_t more_marks;   // nonzero when the number has more than one mark
};

// Positions as 64-bit numbers, so that none is widened again before it addresses memory.
COORD2SEG_AVX2 inline NumberPlace PlaceNumber(std::uint64_t start, std::uint64_t after,
                                              const ByteClasses& classes) {
  const std::uint64_t mark = classes.marks & (after - start);
  const std::uint64_t first = _tzcnt_u64(start);
  const std::uint64_t first_digit = first + ((classes.minus >> first) & 1);
  const std::uint64_t point = _tzcnt_u64(mark | after);  // the end without a mark
  const std::uint64_t tail = _tzcnt_u64(after) - point;
  return {first_digit, tail, kNumberShapes.entries[point - first_digit][tail], _blsr_u64(mark)};
}

COORD2SEG_AVX2 inline __m128i ShuffleControl(const NumberPlace& place) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(
      reinterpret_cast<const char*>(&kShuffleControls) + (place.shapes & 0xffff)));
}

// The magnitudes of two numbers of at most kMaxVectorDigits digits, as doubles.
COORD2SEG_AVX2 inline __m128d VectorMagnitudes(const char* p, const NumberPlace& first,
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
  // Now the leading and trailing 8 digits of the first number in the low half, of the second in
  // the high half.
  const __m128i groups =
      _mm_unpacklo_epi32(_mm256_castsi256_si128(digits), _mm256_extracti128_si256(digits, 1));
  const __m128d leading = _mm_cvtepi32_pd(groups);
  const __m128d trailing = _mm_cvtepi32_pd(_mm_srli_si128(groups, 8));
  const __m128d scale = _mm_set_pd(kScaleOfTail[second.tail], kScaleOfTail[first.tail]);
  return _mm_div_pd(_mm_add_pd(_mm_mul_pd(leading, _mm_set1_pd(1e8)), trailing), scale);
}

// 16 bytes from `low` in the low half, 16 from `high` in the high half.
COORD2SEG_AVX2 inline __m256i LoadPair(const char* high, const char* low) {
  return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(high),
                             reinterpret_cast<const __m128i*>(low));
}

// One long number's digits in its 24 places, valued four at a time: the first 16 places in the
// low half, the last 8 in the high half.
COORD2SEG_AVX2 inline __m256i LongNumberQuads(const char* digits, std::uint32_t shape,
                                              const ByteConstants& k) {
  const __m256i bytes = LoadPair(digits + LongShape::SecondLoad(shape), digits);
  const __m256i control = _mm256_load_si256(reinterpret_cast<const __m256i*>(
      reinterpret_cast<const char*>(&kLongShuffleControls) + LongShape::Controls(shape)));
  const __m256i places = _mm256_shuffle_epi8(_mm256_sub_epi8(bytes, k.zero), control);
  return _mm256_madd_epi16(_mm256_maddubs_epi16(places, _mm256_set1_epi16(0x010a)),
                           _mm256_set1_epi32(0x00010064));
}

// The magnitudes of two numbers of up to kMaxDigits digits with a fraction each, valued in the
// loop (see kLongShuffleControls); false when the line is left to the plain reader: a shape
// without a fraction digit or of more than kMaxDigits digits, or a rounding the product leaves
// open.
COORD2SEG_AVX2 inline bool LongVectorMagnitudes(const char* p, const NumberPlace& first,
                                                const NumberPlace& second, const ByteConstants& k,
                                                __m128d& magnitudes) {
  const auto first_shape = static_cast<std::uint32_t>(first.shapes >> 32);
  const auto second_shape = static_cast<std::uint32_t>(second.shapes >> 32);
  if (((first_shape | second_shape) & kLeftToPlainReader) != 0) return false;
  // Groups of eight digits: the first and second of each number in the low half, the third of
  // each in the high half, each number's in a 64-bit lane.
  const __m256i groups = _mm256_madd_epi16(
      _mm256_packus_epi32(LongNumberQuads(p + first.first_digit, first_shape, k),
                          LongNumberQuads(p + second.first_digit, second_shape, k)),
      _mm256_set1_epi32(0x00012710));
  const __m128i leading = _mm256_castsi256_si128(groups);
  const __m128i hundred_million = _mm_set1_epi64x(100000000);
  // The first two groups as one number below 10^11, then times 10^8 in two parts, as the
  // multiplication takes 32 bits of each factor.
  const __m128i first_two =
      _mm_add_epi64(_mm_mul_epu32(leading, hundred_million), _mm_srli_epi64(leading, 32));
  const __m128i significands = _mm_add_epi64(
      _mm_add_epi64(
          _mm_mul_epu32(first_two, hundred_million),
          _mm_slli_epi64(_mm_mul_epu32(_mm_srli_epi64(first_two, 32), hundred_million), 32)),
      _mm256_extracti128_si256(groups, 1));
  double first_magnitude = 0;
  double second_magnitude = 0;
  // LZCNT counts a zero significand, so no branch is taken for it.
  if (!FractionMagnitude<true>(static_cast<std::uint64_t>(_mm_cvtsi128_si64(significands)),
                               LongShape::FractionDigits(first_shape), first_magnitude) ||
      !FractionMagnitude<true>(static_cast<std::uint64_t>(_mm_extract_epi64(significands, 1)),
                               LongShape::FractionDigits(second_shape), second_magnitude)) {
    return false;
  }
  magnitudes = _mm_set_pd(second_magnitude, first_magnitude);
  return true;
}

// The sign bits of both values, for the signs of the first (bit 0) and second (bit 1) number.
struct alignas(16) SignBits {
  std::uint64_t bits[4][2];
};

constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
constexpr SignBits kSignBits = {{{0, 0}, {kSign, 0}, {0, kSign}, {kSign, kSign}}};

// The point from both values, as AssignAndWrap makes it: `order` puts the longitude first (see
// ColumnOrder), then the longitude alone is wrapped; the latitude is compared with infinities, so
// it never moves. Blends rather than adding zeros, which would turn -0 into +0.
COORD2SEG_AVX2 inline __m128d WrappedPoint(__m128d values, __m128i order) {
  const __m128d point = _mm_permutevar_pd(values, order);
  const __m128d turn = _mm_set_pd(0, kFullTurnDegrees);
  const __m128d infinity = _mm_set1_pd(std::numeric_limits<double>::infinity());
  const __m128d high =
      _mm_cmp_pd(point, _mm_move_sd(infinity, _mm_set_sd(kHalfTurnDegrees)), _CMP_GE_OQ);
  const __m128d lowered = _mm_blendv_pd(point, _mm_sub_pd(point, turn), high);
  const __m128d low = _mm_cmp_pd(
      lowered, _mm_move_sd(_mm_xor_pd(infinity, _mm_set1_pd(-0.0)), _mm_set_sd(-kHalfTurnDegrees)),
      _CMP_LT_OQ);
  return _mm_blendv_pd(lowered, _mm_add_pd(lowered, turn), low);
}

// The permutation that puts the longitude first: the values as read, or swapped in lat-first
// order.
COORD2SEG_AVX2 inline __m128i ColumnOrder(bool lat_first) {
  return lat_first ? _mm_set_epi64x(0, 2) : _mm_set_epi64x(2, 0);
}

// The common line, "number separators number separators" with blanks, ';' or TAB as separators
// and the first number at `p`, read from its classified window: returns where the next line starts
// and sets `point`, or nullptr for any line of another shape (those few go to the plain reading).
// Takes lines that end in their first 64 bytes with numbers of up to kMaxDigits digits, in one
// pass: those of more than kMaxVectorDigits digits take the 24 places and the 128-bit product.
// Needs kReadableBytes readable at `p`.
COORD2SEG_AVX2 inline const char* ReadLineAvx2(const char* p, __m128i order, GeoPoint& point,
                                               const ByteConstants& k) {
  const ByteClasses classes = Classify(p, k);
  // The line ends at the first byte that is neither a number's nor a separator, which must be
  // its end mark: every byte before it fits.
  const std::uint64_t others = ~classes.fits;
  const std::uint64_t line = _blsi_u64(others) - 1;  // all if none
  const std::uint64_t end = _tzcnt_u64(others);
  const char end_mark = p[end];
  if (end_mark != '\n' && end_mark != '\r') return nullptr;
  const char* const next = p + end + 1 + (end_mark == '\r' && p[end + 1] == '\n');
  const std::uint64_t number = classes.number & line;
  // Exactly two runs of number bytes, the first at the start, separators around them, and signs
  // only where a number starts; tested at once, as one branch. Without an end mark `line` has
  // its top bit set.
  const std::uint64_t starts = number & ~(number << 1);
  const std::uint64_t second_start = starts ^ 1;  // 1 or more bits unless the first starts at 0
  const std::uint64_t misfits =
      (line >> 63) | _blsr_u64(second_start) | (classes.minus & line & ~starts);
  if ((misfits | static_cast<std::uint64_t>(second_start <= 1)) != 0) return nullptr;
  // Adding a run's lowest bit carries out of the run into the bit after it.
  const NumberPlace first = PlaceNumber(1, (number + 1) & ~number, classes);
  const NumberPlace second = PlaceNumber(second_start, (number + second_start) & ~number, classes);
  // A number needs a digit and at most one mark.
  const std::uint64_t shapes = first.shapes | second.shapes;
  if ((shapes & kNoDigit) != 0 || (first.more_marks | second.more_marks) != 0) return nullptr;
  __m128d magnitudes;
  if ((shapes & kLongNumber) == 0) {
    magnitudes = VectorMagnitudes(p, first, second, k);
  } else if (!LongVectorMagnitudes(p, first, second, k, magnitudes)) {
    return nullptr;  // the plain reading takes those few
  }

  const std::uint64_t negative = _pext_u64(classes.minus, second_start | 1);
  const __m128d values = _mm_xor_pd(
      magnitudes, _mm_load_pd(reinterpret_cast<const double*>(kSignBits.bits[negative])));
  static_assert(sizeof(GeoPoint) == 2 * sizeof(double) && offsetof(GeoPoint, latitude) == 8);
  _mm_storeu_pd(&point.longitude, WrappedPoint(values, order));

  return next;
}

// Lines the window does not take: longer lines, other shapes and the end of the text. Kept out of
// line so the loop below stays small.
[[gnu::noinline]] const char* ReadOtherLine(const char* p, const char* end, bool lat_first,
                                            GeoPoint& point) {
  return ReadSimpleLine(p, end, lat_first, point);
}

}  // namespace

COORD2SEG_AVX2 SimpleLinesRead ReadSimpleLinesAvx2(const char* p, const char* end, bool lat_first,
                                                   std::span<GeoPoint> points) {
  const ByteConstants k = MakeByteConstants();
  const __m128i order = ColumnOrder(lat_first);
  // Lines starting before this have room for the window's reads.
  const char* const window_end = end - p > kReadableBytes ? end - kReadableBytes : p;
  GeoPoint* point = points.data();
  GeoPoint* const points_end = point + points.size();
  std::uint16_t separator_length = 0;
  std::uint16_t separator_mark = 0;
  while (point != points_end) {
    // Lines the window takes, in a loop without calls, so that its constants stay in registers.
    while (point != points_end && p < window_end) {
      const char* const next = ReadLineAvx2(p, order, *point, k);
      if (next == nullptr) break;
      p = next;
      ++point;
    }
    if (point == points_end) break;
    // A separator line, which ends every segment, is not tried again; its end is found here when
    // it lies in the window, one compare instead of the caller's search.
    if (p < window_end && *p == '#') {
      const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      const std::uint32_t marks =
          Bits(_mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n')),
                               _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r'))));
      if (marks != 0) {
        separator_length = static_cast<std::uint16_t>(_tzcnt_u32(marks));
        separator_mark = static_cast<std::uint16_t>(
            1 + (p[separator_length] == '\r' && p[separator_length + 1] == '\n'));
      }
      break;
    }
    const char* const next = ReadOtherLine(p, end, lat_first, *point);
    if (next == nullptr) break;
    p = next;
    ++point;
  }
  const auto lines = static_cast<std::uint32_t>(point - points.data());
  return {p, lines, separator_length, separator_mark};
}

}  // namespace coord2seg
