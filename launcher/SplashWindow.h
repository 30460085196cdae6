#pragma once

#include <string>

#include <windows.h>

// The launcher's splash picture: a borderless STATIC window holding the bitmap, centred on the
// primary screen. It is never destroyed on purpose; it vanishes with the process.

// The module the splash bitmap is loaded from; stored first thing by the launcher's run.
void setModuleInstance(HINSTANCE instance);
HINSTANCE moduleInstance();

// Creates, fills, centres and shows the splash window. Throws IOException (kind Installation)
// when the bitmap is missing; the window then stays hidden.
void showSplashWindow(const std::wstring& title, int iconId, int bitmapId);

// Answers hit tests as client area and posts a quit message on WM_CLOSE; everything else goes to
// the STATIC control's own procedure.
LRESULT CALLBACK splashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Top-left corner that centres a window rectangle on a screen (truncating division).
POINT centredPosition(const RECT& window, int screenWidth, int screenHeight);
