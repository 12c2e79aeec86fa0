// The record encoder for x86-64 CPUs with AVX2: four points at a time.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "common/avx2_target.h"
#include "segment_file/record_encoder.h"
#include "segment_file/record_format.h"

namespace coord2seg {
namespace {

// Products below 2^31 in magnitude that are not half-integers: rounding the double product gives
// the minutes (see DegreesToMinutes), and the rounded value converts to 32 bits exactly.
COORD2SEG_AVX2 inline __m256d RoundedMinutes(const GeoPoint* two_points, __m256d& uncommon) {
  const __m256d product =
      _mm256_mul_pd(_mm256_loadu_pd(&two_points->longitude), _mm256_set1_pd(60));
  const __m256d rounded = _mm256_round_pd(product, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256d sign_bit = _mm256_set1_pd(-0.0);
  const __m256d magnitude = _mm256_andnot_pd(sign_bit, product);
  const __m256d distance = _mm256_andnot_pd(sign_bit, _mm256_sub_pd(product, rounded));
  // NaN compares false to "less than", so it is uncommon too.
  uncommon = _mm256_or_pd(uncommon, _mm256_cmp_pd(magnitude, _mm256_set1_pd(0x1p31), _CMP_NLT_UQ));
  uncommon = _mm256_or_pd(uncommon, _mm256_cmp_pd(distance, _mm256_set1_pd(0.5), _CMP_EQ_OQ));
  return rounded;
}

// Stores four points' minutes when all are common ones; returns false, storing nothing, when not.
COORD2SEG_AVX2 inline bool StoreCommonPoints(const GeoPoint* points, unsigned char* out) {
  __m256d uncommon = _mm256_setzero_pd();
  const __m256d first = RoundedMinutes(points, uncommon);
  const __m256d second = RoundedMinutes(points + 2, uncommon);
  if (_mm256_movemask_pd(uncommon) != 0) return false;
  // The low 16 bits of each, in two's complement: masked, they pack without saturating.
  const __m128i low_bits = _mm_set1_epi32(0xffff);
  const __m128i packed = _mm_packus_epi32(_mm_and_si128(_mm256_cvtpd_epi32(first), low_bits),
                                          _mm_and_si128(_mm256_cvtpd_epi32(second), low_bits));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), packed);
  return true;
}

}  // namespace

COORD2SEG_AVX2 bool EncodeRecordAvx2(std::span<const GeoPoint> points, unsigned char* out) {
  constexpr std::size_t kGroup = 4;
  StoreRecordHeader(out, static_cast<std::uint32_t>(points.size()));
  out += kRecordHeaderBytes;
  std::size_t done = 0;
  for (; points.size() - done >= kGroup; done += kGroup) {
    unsigned char* const pairs = out + done * kPointPairBytes;
    if (!StoreCommonPoints(&points[done], pairs) &&
        !EncodePointPairs(points.subspan(done, kGroup), pairs)) {
      return false;
    }
  }
  return EncodePointPairs(points.subspan(done), out + done * kPointPairBytes);
}

}  // namespace coord2seg
