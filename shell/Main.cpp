#include "framework/Window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    class Frame : public fw::Window {
        LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
            if (msg == WM_DESTROY) { PostQuitMessage(0); return 0; }
            return fw::Window::HandleMessage(msg, w, l);
        }
    } frame;
    if (!frame.Create("QuillonFrame", "Quillon", WS_OVERLAPPEDWINDOW, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                      800, 600, nullptr, nullptr))
        return 1;
    ShowWindow(frame, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
