// The largest picture the platform takes, whatever asks for it: a bitmap
// file, a display surface or a copy between surfaces. Nothing of the game
// comes near it, and it keeps a hostile file header from asking for
// gigabytes.
#pragma once

constexpr int MaxSide = 16384;
