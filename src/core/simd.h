// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which vector instructions the generator's hot loops may use. SSE2 is part of every 64-bit x86
// processor; AVX2 and AVX-512, where the processor has them, are chosen at run time, which needs
// GCC or Clang.
// ORVEK_PORTABLE builds the plain code only, so that the tests can check it against the same
// results.

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(ORVEK_PORTABLE)
#define ORVEK_SSE2 1
#include <emmintrin.h>
#endif

#if defined(ORVEK_SSE2) && (defined(__GNUC__) || defined(__clang__))
#define ORVEK_AVX2 1
#include <immintrin.h>

namespace orvek {

inline bool has_avx2()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

// ORVEK_NO_AVX512 keeps processors that have AVX-512 on the AVX2 paths, so that those are
// tested too.
inline bool has_avx512f()
{
#ifdef ORVEK_NO_AVX512
    return false;
#else
    static const bool avx512f = __builtin_cpu_supports("avx512f");
    return avx512f;
#endif
}

}  // namespace orvek
#endif
