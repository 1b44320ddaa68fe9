// The hot loops of decoding: unfiltering, the zlib check value and the RGB to BGR swap.
// The filters are serial from pixel to pixel, so the gain comes from doing a whole pixel per
// step (SSE2 is part of every x86-64); the checksum and the swap are plain data parallel.
#include <cstring>
#include <zlib.h>

#include "png/png_internal.h"
#include "png/pngimage.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define KELVO_PNG_SSE2 1
#if defined(__GNUC__)
#define KELVO_PNG_SSSE3 1
#endif
#endif

namespace {

void UnfilterScalar(BYTE filter, BYTE* __restrict r, const BYTE* __restrict p, std::size_t n,
                    std::size_t off)
{
    std::size_t i = 0;
    switch (filter) {
    case pfSub:
        for (i = off; i < n; ++i)
            r[i] = BYTE(r[i] + r[i - off]);
        break;
    case pfUp:
        for (i = 0; i < n; ++i)
            r[i] = BYTE(r[i] + p[i]);
        break;
    case pfAverage:
        for (; i < off && i < n; ++i)
            r[i] = BYTE(r[i] + (p[i] >> 1));
        for (; i < n; ++i)
            r[i] = BYTE(r[i] + ((unsigned(r[i - off]) + p[i]) >> 1));
        break;
    case pfPaeth:
        for (; i < off && i < n; ++i)
            r[i] = BYTE(r[i] + p[i]);
        for (; i < n; ++i) {
            int a = r[i - off], b = p[i], c = p[i - off];
            int pa = b - c, pb = a - c;
            int pc = pa + pb;
            pa = pa < 0 ? -pa : pa;
            pb = pb < 0 ? -pb : pb;
            pc = pc < 0 ? -pc : pc;
            int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            r[i] = BYTE(r[i] + pred);
        }
        break;
    default:
        // None, and unknown types which are treated as None.
        break;
    }
}

#ifdef KELVO_PNG_SSE2

// One pixel of Bpp bytes lives in the low bytes of a register. W is the width of the loads and
// stores (4 or 8 bytes): the bytes above the pixel are added nothing, so a full-width store
// writes them back unchanged, and the last pixel, whose load would run past the row, goes
// through a small copy instead.
template <unsigned W>
inline __m128i LoadW(const BYTE* p)
{
    if constexpr (W == 4) {
        int v;
        std::memcpy(&v, p, 4);
        return _mm_cvtsi32_si128(v);
    } else {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    }
}

template <unsigned W>
inline void StoreW(BYTE* p, __m128i v)
{
    if constexpr (W == 4) {
        int x = _mm_cvtsi128_si32(v);
        std::memcpy(p, &x, 4);
    } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
    }
}

template <unsigned Bpp>
inline __m128i PixelMask()
{
    alignas(16) BYTE m[16] = {};
    for (unsigned i = 0; i < Bpp; ++i)
        m[i] = 0xFF;
    return _mm_load_si128(reinterpret_cast<const __m128i*>(m));
}

// Applies step(x, b, c) -> pixel across the row, x the filtered pixel, b the pixel above and c
// the one above-left; step knows the pixel to the left itself.
template <unsigned Bpp, unsigned W, class Step>
inline void ForEachPixel(BYTE* r, const BYTE* p, std::size_t n, Step step)
{
    const std::size_t count = n / Bpp;
    if (count == 0)
        return;
    const std::size_t last = count - 1;
    if (last > 0) {
        // Each pixel is loaded before the pixel ahead of it is stored: a load that overlaps
        // a store still in flight would stall the loop on every pixel.
        __m128i x = LoadW<W>(r), b = LoadW<W>(p);
        for (std::size_t i = 0; i < last; ++i) {
            const std::size_t at = i * Bpp;
            __m128i nextX = x, nextB = b;
            if (i + 1 < last) {
                nextX = LoadW<W>(r + at + Bpp);
                nextB = LoadW<W>(p + at + Bpp);
            }
            StoreW<W>(r + at, step(x, b));
            x = nextX;
            b = nextB;
        }
    }
    BYTE x[W] = {}, b[W] = {};
    const std::size_t at = last * Bpp;
    std::memcpy(x, r + at, Bpp);
    std::memcpy(b, p + at, Bpp);
    BYTE out[W];
    StoreW<W>(out, step(LoadW<W>(x), LoadW<W>(b)));
    std::memcpy(r + at, out, Bpp);
}

template <unsigned Bpp, unsigned W>
void SubPixels(BYTE* r, std::size_t n)
{
    const __m128i mask = PixelMask<Bpp>();
    __m128i a = _mm_setzero_si128();
    ForEachPixel<Bpp, W>(r, r, n, [&](__m128i x, __m128i) {
        __m128i v = _mm_add_epi8(x, a);
        a = _mm_and_si128(v, mask);
        return v;
    });
}

template <unsigned Bpp, unsigned W>
void AveragePixels(BYTE* r, const BYTE* p, std::size_t n)
{
    const __m128i mask = PixelMask<Bpp>();
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    ForEachPixel<Bpp, W>(r, p, n, [&](__m128i x, __m128i b) {
        // The rounding average less the carried-in half gives the floor.
        __m128i avg = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        __m128i v = _mm_add_epi8(x, _mm_and_si128(avg, mask));
        a = _mm_and_si128(v, mask);
        return v;
    });
}

inline __m128i Abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

template <unsigned Bpp, unsigned W>
void PaethPixels(BYTE* r, const BYTE* p, std::size_t n)
{
    const __m128i mask = PixelMask<Bpp>();
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero, c = zero;
    ForEachPixel<Bpp, W>(r, p, n, [&](__m128i x, __m128i b) {
        __m128i bm = _mm_and_si128(b, mask);
        __m128i A = _mm_unpacklo_epi8(a, zero), B = _mm_unpacklo_epi8(bm, zero),
                C = _mm_unpacklo_epi8(c, zero);
        __m128i pa = _mm_sub_epi16(B, C), pb = _mm_sub_epi16(A, C);
        __m128i pc = Abs16(_mm_add_epi16(pa, pb));
        pa = Abs16(pa);
        pb = Abs16(pb);
        // Left unless another is strictly nearer; then above unless above-left is.
        __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
        __m128i useC = _mm_cmpgt_epi16(pb, pc);
        __m128i bc = _mm_or_si128(_mm_and_si128(useC, C), _mm_andnot_si128(useC, B));
        __m128i pred = _mm_or_si128(_mm_and_si128(notA, bc), _mm_andnot_si128(notA, A));
        __m128i v = _mm_add_epi8(x, _mm_packus_epi16(pred, pred));
        a = _mm_and_si128(v, mask);
        c = bm;
        return v;
    });
}

// Sub with one byte per pixel: a prefix sum, sixteen bytes per step.
void SubBytes(BYTE* r, std::size_t n)
{
    __m128i last = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + i));
        x = _mm_add_epi8(x, last);
        x = _mm_add_epi8(x, _mm_slli_si128(x, 1));
        x = _mm_add_epi8(x, _mm_slli_si128(x, 2));
        x = _mm_add_epi8(x, _mm_slli_si128(x, 4));
        x = _mm_add_epi8(x, _mm_slli_si128(x, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i), x);
        last = _mm_srli_si128(x, 15);
    }
    for (i = i ? i : 1; i < n; ++i)
        r[i] = BYTE(r[i] + r[i - 1]);
}

void UpBytes(BYTE* __restrict r, const BYTE* __restrict p, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i), _mm_add_epi8(x, b));
    }
    for (; i < n; ++i)
        r[i] = BYTE(r[i] + p[i]);
}

template <unsigned Bpp, unsigned W>
bool UnfilterPixels(BYTE filter, BYTE* r, const BYTE* p, std::size_t n)
{
    switch (filter) {
    case pfSub:
        SubPixels<Bpp, W>(r, n);
        return true;
    case pfAverage:
        AveragePixels<Bpp, W>(r, p, n);
        return true;
    case pfPaeth:
        PaethPixels<Bpp, W>(r, p, n);
        return true;
    default:
        return false;
    }
}

bool UnfilterFast(BYTE filter, BYTE* r, const BYTE* p, std::size_t n, std::size_t off)
{
    if (off == 0 || n % off != 0)
        return false;
    if (filter == pfUp) {
        UpBytes(r, p, n);
        return true;
    }
    switch (off) {
    case 1:
        if (filter != pfSub)
            return false;
        SubBytes(r, n);
        return true;
    case 2:
        return UnfilterPixels<2, 4>(filter, r, p, n);
    case 3:
        return UnfilterPixels<3, 4>(filter, r, p, n);
    case 4:
        return UnfilterPixels<4, 4>(filter, r, p, n);
    case 6:
        return UnfilterPixels<6, 8>(filter, r, p, n);
    case 8:
        return UnfilterPixels<8, 8>(filter, r, p, n);
    default:
        return false;
    }
}

#endif // KELVO_PNG_SSE2

#ifdef KELVO_PNG_SSSE3

__attribute__((target("ssse3"))) DWORD Adler32Ssse3(DWORD adler, const BYTE* p, std::size_t n)
{
    constexpr DWORD Base = 65521;
    // The largest run of 16-byte blocks whose sums cannot overflow 32 bits.
    constexpr std::size_t MaxBlocks = 5552 / 16;
    DWORD s1 = adler & 0xFFFF, s2 = adler >> 16;
    const __m128i weights = _mm_setr_epi8(16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i zero = _mm_setzero_si128();
    while (n >= 16) {
        std::size_t blocks = n / 16 < MaxBlocks ? n / 16 : MaxBlocks;
        n -= blocks * 16;
        s2 += s1 * DWORD(blocks * 16);
        __m128i v1 = zero, v2 = zero, prior = zero;
        do {
            __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            prior = _mm_add_epi32(prior, v1);
            v1 = _mm_add_epi32(v1, _mm_sad_epu8(x, zero));
            v2 = _mm_add_epi32(v2, _mm_madd_epi16(_mm_maddubs_epi16(x, weights), ones));
            p += 16;
        } while (--blocks);
        v2 = _mm_add_epi32(v2, _mm_slli_epi32(prior, 4));
        v1 = _mm_add_epi32(v1, _mm_shuffle_epi32(v1, 0x4E));
        v2 = _mm_add_epi32(v2, _mm_shuffle_epi32(v2, 0x4E));
        v2 = _mm_add_epi32(v2, _mm_shuffle_epi32(v2, 0xB1));
        s1 += DWORD(_mm_cvtsi128_si32(v1));
        s2 += DWORD(_mm_cvtsi128_si32(v2));
        s1 %= Base;
        s2 %= Base;
    }
    for (; n > 0; --n) {
        s1 += *p++;
        s2 += s1;
    }
    return (s1 % Base) | ((s2 % Base) << 16);
}

// Five pixels per shuffle; the sixteenth byte stored is overwritten by the next step.
__attribute__((target("ssse3"))) void SwapRgbSsse3(const BYTE* src, BYTE* dst, std::size_t count)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    std::size_t i = 0;
    for (; i + 6 <= count; i += 5) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 3), _mm_shuffle_epi8(x, order));
    }
    for (; i < count; ++i) {
        dst[i * 3] = src[i * 3 + 2];
        dst[i * 3 + 1] = src[i * 3 + 1];
        dst[i * 3 + 2] = src[i * 3];
    }
}

// Four RGBA pixels per step into BGR and the alpha plane.
__attribute__((target("ssse3"))) void SwapRgbaSsse3(const BYTE* src, BYTE* dst, BYTE* alpha,
                                                    std::size_t count)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 3, 7, 11, 15);
    std::size_t i = 0;
    // Twelve colour bytes are stored as sixteen, so two more pixels must follow.
    for (; i + 6 <= count; i += 4) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 4));
        __m128i y = _mm_shuffle_epi8(x, order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 3), y);
        int a = _mm_cvtsi128_si32(_mm_srli_si128(y, 12));
        std::memcpy(alpha + i, &a, 4);
    }
    for (; i < count; ++i) {
        dst[i * 3] = src[i * 4 + 2];
        dst[i * 3 + 1] = src[i * 4 + 1];
        dst[i * 3 + 2] = src[i * 4];
        alpha[i] = src[i * 4 + 3];
    }
}

bool HasSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

#endif // KELVO_PNG_SSSE3

} // namespace

void UnfilterRow(BYTE* row, const BYTE* prevRow, std::size_t n, std::size_t off)
{
#ifdef KELVO_PNG_SSE2
    if (UnfilterFast(row[0], row + 1, prevRow + 1, n, off))
        return;
#endif
    UnfilterScalar(row[0], row + 1, prevRow + 1, n, off);
}

DWORD ZlibAdler32(DWORD adler, const BYTE* data, std::size_t size)
{
#ifdef KELVO_PNG_SSSE3
    if (HasSsse3())
        return Adler32Ssse3(adler, data, size);
#endif
    return DWORD(adler32_z(adler, data, size));
}

void SwapRgbToBgr(const BYTE* src, BYTE* dst, std::size_t count)
{
#ifdef KELVO_PNG_SSSE3
    if (HasSsse3()) {
        SwapRgbSsse3(src, dst, count);
        return;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) {
        dst[i * 3] = src[i * 3 + 2];
        dst[i * 3 + 1] = src[i * 3 + 1];
        dst[i * 3 + 2] = src[i * 3];
    }
}

void SwapRgbaToBgr(const BYTE* src, BYTE* dst, BYTE* alpha, std::size_t count)
{
#ifdef KELVO_PNG_SSSE3
    if (HasSsse3()) {
        SwapRgbaSsse3(src, dst, alpha, count);
        return;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) {
        dst[i * 3] = src[i * 4 + 2];
        dst[i * 3 + 1] = src[i * 4 + 1];
        dst[i * 3 + 2] = src[i * 4];
        alpha[i] = src[i * 4 + 3];
    }
}
