// The record encoder for x86-64 CPUs with AVX2: four points at a time.
// SPDX-License-Identifier: MIT
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/avx2_target.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"

namespace coord2seg {
namespace {

// Products below 2^31 in magnitude that are not half-integers: rounding the double product gives
// the minutes (see DegreesToMinutes), and the rounded value converts to 32 bits exactly.
COORD2SEG_AVX2 inline __m256d RoundedMinutes(__m256d two_points, __m256d& uncommon) {
  const __m256d product = _mm256_mul_pd(two_points, _mm256_set1_pd(60));
  const __m256d rounded = _mm256_round_pd(product, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256d sign_bit = _mm256_set1_pd(-0.0);
  const __m256d magnitude = _mm256_andnot_pd(sign_bit, product);
  const __m256d distance = _mm256_andnot_pd(sign_bit, _mm256_sub_pd(product, rounded));
  // NaN compares false to "less than", so it is uncommon too.
  uncommon = _mm256_or_pd(uncommon, _mm256_cmp_pd(magnitude, _mm256_set1_pd(0x1p31), _CMP_NLT_UQ));
  uncommon = _mm256_or_pd(uncommon, _mm256_cmp_pd(distance, _mm256_set1_pd(0.5), _CMP_EQ_OQ));
  return rounded;
}

// Four points' minutes, when all are common ones, as four pairs of 16 bits; false when not.
COORD2SEG_AVX2 inline bool CommonPairs(__m256d first_two, __m256d second_two, __m128i& pairs) {
  __m256d uncommon = _mm256_setzero_pd();
  const __m256d first = RoundedMinutes(first_two, uncommon);
  const __m256d second = RoundedMinutes(second_two, uncommon);
  if (_mm256_movemask_pd(uncommon) != 0) return false;
  // The low 16 bits of each, in two's complement: masked, they pack without saturating.
  const __m128i low_bits = _mm_set1_epi32(0xffff);
  pairs = _mm_packus_epi32(_mm_and_si128(_mm256_cvtpd_epi32(first), low_bits),
                           _mm_and_si128(_mm256_cvtpd_epi32(second), low_bits));
  return true;
}

// Stores four points' minutes when all are common ones; returns false, storing nothing, when not.
COORD2SEG_AVX2 inline bool StoreCommonPoints(const GeoPoint* points, unsigned char* out) {
  __m128i pairs;
  if (!CommonPairs(_mm256_loadu_pd(&points[0].longitude), _mm256_loadu_pd(&points[2].longitude),
                   pairs)) {
    return false;
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pairs);
  return true;
}

// Lane masks, all on then all off: the mask for "lanes below n" starts n lanes before the middle,
// one load each, so that a record's last points take no arithmetic to mask.
struct alignas(32) LaneMasks {
  long long doubles[16];
  int pairs[8];
};

constexpr LaneMasks MakeLaneMasks() {
  LaneMasks masks{};
  for (int i = 0; i < 8; ++i) masks.doubles[i] = -1;
  for (int i = 0; i < 4; ++i) masks.pairs[i] = -1;
  return masks;
}

constexpr LaneMasks kLaneMasks = MakeLaneMasks();

// A mask whose 64-bit lane i is on when i < limit, for -4 <= limit <= 8.
COORD2SEG_AVX2 inline __m256i LanesBelow(std::ptrdiff_t limit) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLaneMasks.doubles + 8 - limit));
}

// The same for the last one to three points of a record, by masked loads and a masked store, so
// that short segments do not take the point-by-point encoding for their last points.
COORD2SEG_AVX2 inline bool StoreLastCommonPoints(const GeoPoint* points, std::size_t count,
                                                 unsigned char* out) {
  const auto doubles = static_cast<std::ptrdiff_t>(2 * count);
  const __m256d first_two = _mm256_maskload_pd(&points[0].longitude, LanesBelow(doubles));
  const __m256d second_two = _mm256_maskload_pd(&points[0].longitude + 4, LanesBelow(doubles - 4));
  __m128i pairs;
  if (!CommonPairs(first_two, second_two, pairs)) return false;
  const __m128i stored =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLaneMasks.pairs + 4 - count));
  _mm_maskstore_epi32(reinterpret_cast<int*>(out), stored, pairs);
  return true;
}

// The points from `done` on, once a group of them is not all common: group by group, each either
// at once or point by point. Out of line, so that the common records make no call.
[[gnu::noinline]] COORD2SEG_AVX2 bool EncodeUncommonRest(std::span<const GeoPoint> points,
                                                         std::size_t done, unsigned char* out) {
  constexpr std::size_t kGroup = 4;
  for (; points.size() - done >= kGroup; done += kGroup) {
    unsigned char* const pairs = out + done * kPointPairBytes;
    if (!StoreCommonPoints(&points[done], pairs) &&
        !EncodePointPairs(points.subspan(done, kGroup), pairs)) {
      return false;
    }
  }
  const std::size_t left = points.size() - done;
  unsigned char* const pairs = out + done * kPointPairBytes;
  return left == 0 || StoreLastCommonPoints(&points[done], left, pairs) ||
         EncodePointPairs(points.subspan(done), pairs);
}

}  // namespace

COORD2SEG_AVX2 bool EncodeRecordAvx2(std::span<const GeoPoint> points, unsigned char* out) {
  constexpr std::size_t kGroup = 4;
  StoreRecordHeader(out, static_cast<std::uint32_t>(points.size()));
  out += kRecordHeaderBytes;
  std::size_t done = 0;
  for (; points.size() - done >= kGroup; done += kGroup) {
    if (!StoreCommonPoints(&points[done], out + done * kPointPairBytes)) [[unlikely]] {
      return EncodeUncommonRest(points, done, out);
    }
  }
  const std::size_t left = points.size() - done;
  if (left == 0 || StoreLastCommonPoints(&points[done], left, out + done * kPointPairBytes)) {
    return true;
  }
  return EncodeUncommonRest(points, done, out);
}

}  // namespace coord2seg
