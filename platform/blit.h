// The pixel copies behind the display adapter (platform/ddraw.cpp): opaque,
// keyed and stretched copies between surfaces of 16 bits a pixel. They run
// on rectangles the adapter has already validated: both lie wholly inside
// their surfaces, and source and destination sizes are those given.
//
// Every copy gives exactly what the plain rule gives, pixel for pixel:
//  - opaque: every source pixel of the rectangle lands at (x, y) onwards;
//  - keyed: the same, leaving out each source pixel equal to the key;
//  - stretched: destination pixel (i, j) of a w x h rectangle takes source
//    pixel (left + i * sw / w, top + j * sh / h), keyed or not.
// The fast paths (opaque spans of keyed pictures, SSE2 groups of eight,
// rows scaled once and copied by runs) are tested against that rule.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win.h"

struct SDL_Surface;

namespace blit {

// A key no 16-bit pixel can equal: the copy leaves nothing out.
constexpr uint32_t NoKey = 0xFFFFFFFFu;

// The opaque spans of each row of a keyed picture: where its pixels differ
// from the key, as pairs of first and one-past-last column. With them a
// keyed copy moves whole spans and never looks at a key pixel. Finding them
// again for the same picture reuses their memory, so a picture reloaded
// after a surface loss allocates nothing.
struct KeySpans {
    bool valid = false;
    std::vector<uint32_t> rowStart;  // per row, its first entry in `edges`; one more at the end
    std::vector<uint16_t> edges;
};

// Finds the spans of `picture` for `key`; a key above 0xFFFF leaves them
// invalid (every pixel is drawn, nothing to skip).
void findSpans(const SDL_Surface* picture, uint32_t key, KeySpans& spans);

// Rectangle r of `from` to (x, y) of `to`, every pixel.
void copyOpaque(SDL_Surface* to, int x, int y, const SDL_Surface* from, const RECT& r);

// Rectangle r of `from` to (x, y) of `to`, without the pixels equal to key.
// `spans` are those of `from` for that key, or invalid.
void copyKeyed(SDL_Surface* to, int x, int y, const SDL_Surface* from, const RECT& r, uint32_t key,
               const KeySpans& spans);

// Rectangle s of `from` scaled into rectangle d of `to` by nearest
// neighbour, without the pixels equal to key (NoKey: every pixel).
void copyStretched(SDL_Surface* to, const RECT& d, const SDL_Surface* from, const RECT& s,
                   uint32_t key, const KeySpans& spans);

}  // namespace blit
