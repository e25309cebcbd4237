// The process: start-up, the message pump and the paced frames.
#pragma once

#include "platform/win.h"

int appMain(HINSTANCE instance, HINSTANCE previous, char* commandLine, int showCommand);
int initApp(HINSTANCE instance, int showCommand);
void gameStart();
void presentFrame();

LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
