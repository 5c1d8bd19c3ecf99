// The window procedure: activation, the hidden pointer, the system keys kept
// out of the game, and the one shutdown.
#include "ktDraw.h"
#include "ktSound.h"
#include "ktSystem.h"

namespace ktSystem {

using namespace ktPlatform;

int32_t ShutdownState = 0;
int32_t ClientLeft = 0;
int32_t ClientTop = 0;

int Shutdown() {
    if (Game && Game->BeforeShutdown) Game->BeforeShutdown();
    ktDraw::CloseScreen();
    ktSound::Close();
    if (ShutdownState == 0) PostMessage(WM_CLOSE, 0, 0);
    ShutdownState = 2;
    return 1;
}

void HandleKeyDown(int key, int repeated) {
    // A second Escape (an auto-repeat, say) that arrives after the shutdown
    // must not release the display and sound again.
    if (key == VK_ESCAPE) {
        if (ShutdownState == 0) Shutdown();
    } else if (Game && Game->KeyPressed && ShutdownState == 0 && !repeated) {
        Game->KeyPressed(key);
    }
}

namespace {
// A key-down message of a key already held (its auto-repeat) has bit 30 of
// its second parameter set.
int Repeated(intptr_t lParam) { return (uintptr_t(lParam) >> 30) & 1 ? 1 : 0; }
}  // namespace

intptr_t WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case WM_ACTIVATEAPP:
        // In the background the game stands still and is silent; back in
        // front it goes on from where it stood.
        if (wParam == 0) {
            AppActive = 0;
            StoodStill = 1;
            ktSound::Hold(ktSound::HeldInactive);
        } else {
            AppActive = 1;
            ResetFrameTimer();
            ktSound::Release(ktSound::HeldInactive);
        }
        return 0;
    case WM_PAINT:
        ktDraw::Repaint();  // the window was uncovered, or its display made anew
        return 0;
    case WM_SETCURSOR:
        return 1;  // no pointer over the window
    case WM_MOVE:
        // Where the window went is kept; the platform places the picture in it.
        ClientLeft = int32_t(uint32_t(lParam) & 0xFFFF);
        ClientTop = int32_t((uint32_t(lParam) >> 16) & 0xFFFF);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_SCREENSAVE) return 1;  // no screen saver while playing
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_F11) {
            if (!Repeated(lParam)) SwitchWindow();
            return 0;
        }
        HandleKeyDown(int(wParam), Repeated(lParam));
        return 0;
    case WM_SYSKEYDOWN:
        // Alt combinations and F10 never reach the system; Alt+Enter
        // switches between the whole screen and a window.
        if (wParam == VK_RETURN && !Repeated(lParam)) SwitchWindow();
        return 0;
    case WM_RBUTTONDBLCLK:
        return 0;
    case WM_CLOSE:
        if (ShutdownState == 0) ShutdownState = 1;
        if (ShutdownState < 2) Shutdown();
        DestroyWindow();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return 0;
    }
}

}  // namespace ktSystem
