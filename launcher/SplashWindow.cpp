#include "launcher/SplashWindow.h"

#include "support/IOException.h"

namespace {

// The process-wide values of the splash window, each set once.
HINSTANCE gModuleInstance = nullptr;
HWND gSplashWindow = nullptr;
WNDPROC gStaticWindowProc = nullptr;

}  // namespace

void setModuleInstance(HINSTANCE instance) {
    gModuleInstance = instance;
}

HINSTANCE moduleInstance() {
    return gModuleInstance;
}

POINT centredPosition(const RECT& window, int screenWidth, int screenHeight) {
    POINT position;
    position.x = (window.left - window.right + screenWidth) / 2;
    position.y = (window.top - window.bottom + screenHeight) / 2;
    return position;
}

LRESULT CALLBACK splashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        // Nobody waits for this quit message: closing the picture does not stop the start-up.
        ::PostQuitMessage(0);
        break;
    case WM_NCHITTEST:
        return HTCLIENT;
    default:
        break;
    }
    return ::CallWindowProcW(gStaticWindowProc, window, message, wParam, lParam);
}

void showSplashWindow(const std::wstring& title, int iconId, int bitmapId) {
    const HMODULE program = ::GetModuleHandleW(nullptr);
    gSplashWindow = ::CreateWindowExW(0, L"STATIC", title.c_str(), WS_POPUP | SS_BITMAP, 0, 0, 0, 0, nullptr,
                                      nullptr, program, nullptr);
    // The pointer-sized forms: the 32-bit GCL_HICON and GWL_WNDPROC would cut a 64-bit value.
    const HICON icon = ::LoadIconW(program, MAKEINTRESOURCEW(iconId));
    ::SetClassLongPtrW(gSplashWindow, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    gStaticWindowProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(gSplashWindow, GWLP_WNDPROC));
    ::SetWindowLongPtrW(gSplashWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&splashWindowProc));

    const HANDLE bitmap = ::LoadImageW(gModuleInstance, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0,
                                       LR_DEFAULTCOLOR);
    if (bitmap == nullptr) {
        throw IOException(L"Der Splash-Screen konnte nicht gefunden werden.",
                          L"The splash-screen could not be found", IOException::Installation);
    }
    // The control owns the bitmap from here on and takes its size.
    ::SendMessageW(gSplashWindow, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));

    RECT rectangle{};
    ::GetWindowRect(gSplashWindow, &rectangle);
    const POINT position =
        centredPosition(rectangle, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    ::SetWindowPos(gSplashWindow, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(gSplashWindow, SW_SHOW);
    ::BringWindowToTop(gSplashWindow);
}
