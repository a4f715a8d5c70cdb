#include "framework/MessageLoop.h"

#include <algorithm>

namespace fw {

namespace {
// One loop per thread; the program has one user-interface thread.
thread_local MessageLoop* currentLoop = nullptr;

template <class T>
void Remove(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

bool IsIdleBreaker(UINT msg) {
    // Timer ticks and caret blinks would keep idle handlers running forever.
    return msg != WM_TIMER && msg != WM_PAINT && msg != 0x0118 /* WM_SYSTIMER */;
}
}  // namespace

MessageLoop::~MessageLoop() { Unregister(); }

void MessageLoop::Register() { currentLoop = this; }

void MessageLoop::Unregister() {
    if (currentLoop == this) currentLoop = nullptr;
}

MessageLoop* MessageLoop::Current() { return currentLoop; }

void MessageLoop::AddMessageFilter(MessageFilter* filter) { filters_.push_back(filter); }
void MessageLoop::RemoveMessageFilter(MessageFilter* filter) { Remove(filters_, filter); }
void MessageLoop::AddIdleHandler(IdleHandler* handler) { idleHandlers_.push_back(handler); }
void MessageLoop::RemoveIdleHandler(IdleHandler* handler) { Remove(idleHandlers_, handler); }

bool MessageLoop::PreTranslate(MSG* msg) {
    // Latest first: a filter added later (a modeless window) sees its keys
    // before the frame's accelerators do. Copy: a filter may unregister.
    std::vector<MessageFilter*> filters = filters_;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
        if ((*it)->PreTranslateMessage(msg)) return true;
    return false;
}

void MessageLoop::RunIdleHandlers() {
    std::vector<IdleHandler*> handlers = idleHandlers_;
    for (IdleHandler* handler : handlers) handler->OnIdle();
}

void MessageLoop::Process(MSG* msg, bool wide) {
    if (PreTranslate(msg)) return;
    TranslateMessage(msg);
    if (wide)
        DispatchMessageW(msg);
    else
        DispatchMessageA(msg);
}

int MessageLoop::Run() {
    MSG msg{};
    bool idle = true;
    for (;;) {
        while (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            RunIdleHandlers();
            idle = false;
        }
        // Unicode windows (the controls' label editors) get their messages
        // through the wide functions: a typed character of UTF-8 program
        // text is more than the one byte an ANSI character message carries.
        MSG next{};
        bool wide = PeekMessageW(&next, nullptr, 0, 0, PM_NOREMOVE) && next.hwnd && IsWindowUnicode(next.hwnd);
        BOOL got = wide ? GetMessageW(&msg, nullptr, 0, 0) : GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) break;
        Process(&msg, wide);
        if (IsIdleBreaker(msg.message)) idle = true;
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace fw
