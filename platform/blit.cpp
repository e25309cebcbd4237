#include "platform/blit.h"

#include <SDL.h>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/limits.h"

namespace blit {

namespace {

uint16_t* row(SDL_Surface* s, int y) {
    return reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
}

const uint16_t* row(const SDL_Surface* s, int y) {
    return reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch);
}

// Calls copy(first, last) for each opaque span of row y of a picture whose
// spans are known, cut to the columns [left, right).
template <typename Copy>
void eachSpan(const KeySpans& k, int y, int64_t left, int64_t right, Copy copy) {
    for (uint32_t e = k.rowStart[y]; e < k.rowStart[y + 1]; e += 2) {
        const int64_t first = k.edges[e] < left ? left : k.edges[e];
        const int64_t last = k.edges[e + 1] > right ? right : k.edges[e + 1];
        if (first >= right) break;
        if (first < last) copy(first, last);
    }
}

// One row of a keyed copy: every source pixel but those of the key. The
// key is kept at full width, so a key above 0xFFFF matches no pixel. With
// SSE2 (every x86-64 processor) eight pixels go at a time: a group wholly of
// the key is passed over, one without it stored whole, and a mixed one
// blended with what the destination holds. The row's tail is the last eight
// pixels again, which gives the same result a second time; this needs the
// source and destination to be different surfaces.
void keyedRow(uint16_t* dst, const uint16_t* src, int n, uint32_t key) {
    int i = 0;
#if defined(__SSE2__)
    if (n >= 8 && key <= 0xFFFF) {
        const __m128i keys = _mm_set1_epi16(static_cast<short>(key));
        auto group = [&](int at) {
            __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + at));
            const __m128i isKey = _mm_cmpeq_epi16(px, keys);
            const int mask = _mm_movemask_epi8(isKey);
            if (mask == 0xFFFF) return;
            __m128i* out = reinterpret_cast<__m128i*>(dst + at);
            if (mask != 0)
                px = _mm_or_si128(_mm_and_si128(isKey, _mm_loadu_si128(out)),
                                  _mm_andnot_si128(isKey, px));
            _mm_storeu_si128(out, px);
        };
        for (; i + 8 <= n; i += 8) group(i);
        if (i < n) group(n - 8);
        return;
    }
#endif
    for (; i < n; ++i)
        if (src[i] != key) dst[i] = src[i];
}

// Nearest-neighbour scaling: destination pixel i of a row of n takes source
// pixel i * m / n of the m the source row has, and destination row j of h
// takes source row j * g / h. The source column of every destination column
// is worked out once a copy, into a table as wide as a surface can be; each
// source row used is scaled once into `scaledRow` and then copied, keyed or
// not, into every destination row that takes it.
// Where the scale is near 1 the columns fall into long runs of neighbouring
// source pixels, and a row is scaled run by run with memcpy.
int32_t columnOf[MaxSide];
uint16_t scaledRow[MaxSide];
struct ColumnRun {
    int32_t to, from, count;
};
ColumnRun columnRuns[MaxSide];

// A keyed stretch of a picture whose opaque spans are known. Destination
// column i shows source column columnOf[i], which never decreases with i, so
// the columns showing a source span [a, b) are those from firstColumnOf[a]
// up to firstColumnOf[b]: each span turns into one stretch of the
// destination row, and no key pixel is read. Near scale 1 a stretch is
// copied by the column runs it crosses, with memcpy; otherwise pixel by
// pixel through the column table.
int32_t firstColumnOf[MaxSide + 1];

void stretchSpans(SDL_Surface* to, const RECT& d, const SDL_Surface* from, const RECT& s,
                  const KeySpans& k, int runs, bool byRuns) {
    const int64_t dw = d.right - d.left, dh = d.bottom - d.top;
    const int64_t sw = s.right - s.left, sh = s.bottom - s.top;
    for (int64_t c = 0, i = 0; c <= sw; ++c) {
        while (i < dw && columnOf[i] < c) ++i;
        firstColumnOf[c] = static_cast<int32_t>(i);
    }
    for (int64_t j = 0; j < dh; ++j) {
        const int sy = static_cast<int>(s.top + j * sh / dh);
        const uint16_t* src = row(from, sy) + s.left;
        uint16_t* dst = row(to, static_cast<int>(d.top + j)) + d.left;
        int r = 0;  // the first column run not wholly left of the stretch
        eachSpan(k, sy, s.left, s.right, [&](int64_t first, int64_t last) {
            const int32_t i0 = firstColumnOf[first - s.left], i1 = firstColumnOf[last - s.left];
            if (!byRuns) {
                for (int32_t i = i0; i < i1; ++i) dst[i] = src[columnOf[i]];
                return;
            }
            while (r < runs && columnRuns[r].to + columnRuns[r].count <= i0) ++r;
            for (int q = r; q < runs && columnRuns[q].to < i1; ++q) {
                const ColumnRun& run = columnRuns[q];
                const int32_t a = run.to > i0 ? run.to : i0;
                const int32_t b = run.to + run.count < i1 ? run.to + run.count : i1;
                std::memcpy(dst + a, src + run.from + (a - run.to), static_cast<size_t>(b - a) * 2);
            }
        });
    }
}

}  // namespace

void findSpans(const SDL_Surface* picture, uint32_t key, KeySpans& spans) {
    spans.valid = false;
    // A key no 16-bit pixel can equal needs no spans: every pixel is drawn.
    if (key > 0xFFFF) return;
    const auto key16 = static_cast<uint16_t>(key);
    const int w = picture->w, h = picture->h;
    spans.rowStart.resize(static_cast<size_t>(h) + 1);
    spans.edges.clear();
    for (int y = 0; y < h; ++y) {
        spans.rowStart[y] = static_cast<uint32_t>(spans.edges.size());
        const uint16_t* p = row(picture, y);
        for (int x = 0; x < w;) {
            while (x < w && p[x] == key16) ++x;
            if (x == w) break;
            const int first = x;
            while (x < w && p[x] != key16) ++x;
            spans.edges.push_back(static_cast<uint16_t>(first));
            spans.edges.push_back(static_cast<uint16_t>(x));
        }
    }
    spans.rowStart[h] = static_cast<uint32_t>(spans.edges.size());
    spans.valid = true;
}

void copyOpaque(SDL_Surface* to, int x, int y, const SDL_Surface* from, const RECT& r) {
    const size_t bytes = static_cast<size_t>(r.right - r.left) * 2;
    // memmove: a surface may be copied onto itself.
    for (int sy = r.top; sy < r.bottom; ++sy)
        std::memmove(row(to, y + sy - r.top) + x, row(from, sy) + r.left, bytes);
}

void copyKeyed(SDL_Surface* to, int x, int y, const SDL_Surface* from, const RECT& r, uint32_t key,
               const KeySpans& spans) {
    const int width = r.right - r.left;
    if (to == from) {
        // A surface onto itself: pixel by pixel, in reading order.
        for (int sy = r.top; sy < r.bottom; ++sy) {
            const uint16_t* src = row(from, sy) + r.left;
            uint16_t* dst = row(to, y + sy - r.top) + x;
            for (int i = 0; i < width; ++i)
                if (src[i] != key) dst[i] = src[i];
        }
        return;
    }
    if (!spans.valid) {
        for (int sy = r.top; sy < r.bottom; ++sy)
            keyedRow(row(to, y + sy - r.top) + x, row(from, sy) + r.left, width, key);
        return;
    }
    // Span by span, each cut to the columns the rectangle takes.
    for (int sy = r.top; sy < r.bottom; ++sy) {
        const uint16_t* src = row(from, sy);
        uint16_t* dst = row(to, y + sy - r.top) + x;
        eachSpan(spans, sy, r.left, r.right, [&](int64_t first, int64_t last) {
            std::memcpy(dst + (first - r.left), src + first, static_cast<size_t>(last - first) * 2);
        });
    }
}

void copyStretched(SDL_Surface* to, const RECT& d, const SDL_Surface* from, const RECT& s,
                   uint32_t key, const KeySpans& spans) {
    const int64_t dw = d.right - d.left, dh = d.bottom - d.top;
    const int64_t sw = s.right - s.left, sh = s.bottom - s.top;
    for (int64_t i = 0; i < dw; ++i) columnOf[i] = static_cast<int32_t>(i * sw / dw);
    const int n = static_cast<int>(dw);
    int runs = 0;
    for (int i = 0; i < n; ++i) {
        if (runs > 0) {
            ColumnRun& last = columnRuns[runs - 1];
            if (columnOf[i] == last.from + last.count) {
                ++last.count;
                continue;
            }
        }
        columnRuns[runs++] = ColumnRun{i, columnOf[i], 1};
    }
    const bool byRuns = runs * 8 <= n;
    if (to != from && key <= 0xFFFF && spans.valid) {
        stretchSpans(to, d, from, s, spans, runs, byRuns);
        return;
    }
    int64_t scaledFrom = -1;
    for (int64_t j = 0; j < dh; ++j) {
        const int64_t sy = s.top + j * sh / dh;
        const uint16_t* src = row(from, static_cast<int>(sy)) + s.left;
        uint16_t* dst = row(to, static_cast<int>(d.top + j)) + d.left;
        if (to == from) {
            // A surface onto itself: pixel by pixel, each read before it
            // may be written.
            for (int i = 0; i < n; ++i) {
                const uint16_t p = src[columnOf[i]];
                if (p != key) dst[i] = p;
            }
            continue;
        }
        // Rows of the same width need no scaling: the source row itself.
        const uint16_t* line = src;
        if (sw != dw) {
            if (sy != scaledFrom) {
                if (byRuns) {
                    for (int r = 0; r < runs; ++r)
                        std::memcpy(scaledRow + columnRuns[r].to, src + columnRuns[r].from,
                                    static_cast<size_t>(columnRuns[r].count) * 2);
                } else {
                    for (int i = 0; i < n; ++i) scaledRow[i] = src[columnOf[i]];
                }
                scaledFrom = sy;
            }
            line = scaledRow;
        }
        if (key > 0xFFFF)
            std::memcpy(dst, line, static_cast<size_t>(n) * 2);
        else
            keyedRow(dst, line, n, key);
    }
}

}  // namespace blit
