// Keeps Wine's desktop in use while tests run (scripts/wine-env.sh starts it with the server).
//
// The first program that opens a window on a desktop nobody uses has Wine start the desktop
// process, and that process ends about a second after the last program has left. It inherits the
// standard handles of the program that started it, so ctest, which reads a test's output until
// every writer is gone, waits that second after each test that opens a window. While this
// program holds the desktop, the desktop process started for it (its output goes nowhere) stays.
#include <windows.h>

int main() {
    // A message-only window ties this process to the desktop without showing anything.
    HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (window == nullptr) {
        return 1;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
