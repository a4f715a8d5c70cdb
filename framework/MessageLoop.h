#pragma once
// The thread's message loop: every queued message passes the registered
// message filters before translation and dispatch, and the idle handlers run
// whenever the queue runs empty.

#include <windows.h>

#include <vector>

namespace fw {

class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // True when the message was handled and must not be dispatched.
    virtual bool PreTranslateMessage(MSG* msg) = 0;
};

class IdleHandler {
public:
    virtual ~IdleHandler() = default;
    virtual void OnIdle() = 0;
};

class MessageLoop {
public:
    MessageLoop() = default;
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;
    ~MessageLoop();

    // Makes this the loop of the calling thread (Current() returns it).
    void Register();
    void Unregister();
    static MessageLoop* Current();

    void AddMessageFilter(MessageFilter* filter);      // not owned
    void RemoveMessageFilter(MessageFilter* filter);
    void AddIdleHandler(IdleHandler* handler);         // not owned
    void RemoveIdleHandler(IdleHandler* handler);

    // Runs until WM_QUIT; returns its exit code.
    int Run();
    // Filters, then translates and dispatches one message. Nested loops of
    // the program (progress dialogs, pumped waits) call it so that the
    // filters see their messages too.
    // wide: the message was fetched with the wide functions.
    void Process(MSG* msg, bool wide);
    void RunIdleHandlers();

private:
    bool PreTranslate(MSG* msg);

    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idleHandlers_;
};

}  // namespace fw
