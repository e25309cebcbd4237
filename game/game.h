// The game's per-frame routines, called in a fixed order by gameFrame.
#pragma once

#include <cstdint>

// The game's two sounds, wave files of the working directory: a kick, and a
// dragonfly struck.
constexpr const char* KickSound = "kick.wav";
constexpr const char* StrikeSound = "a1.wav";

void gameFrame();

void titleScreen();
void updatePlayer();
void spawnDragonflies();
void updateDragonflies();
int32_t runCountdown(int32_t serveReady);
void updateShuttlecock(int32_t flying);
void updateCamera();
void continueScreen();
void judgeSwing();

// The height of a throw above its launch line after n steps of a tenth of a
// unit, at launch speed v and gravity 9.8: v t - 4.9 t^2 with t = n x 0.1 (0.1
// in single precision), evaluated in double precision and truncated toward
// zero. Shared by the shuttlecock's flight and a struck dragonfly's fall.
int32_t throwHeight(int32_t launchSpeed, double n);
