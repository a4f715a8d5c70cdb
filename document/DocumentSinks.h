// What the parser and the writer report to while they run: the key tree view
// for keys as they are made, a progress display for load and save.
#pragma once

#include <functional>

class KeyNode;

// Implemented by the key tree view. The parser calls AddKey for each key it
// creates or reaches while the view is attached, once the key's name is final
// (two key lines late), in key-line order; keys without a view item are
// reported (their parents may lack one too). The view decides what to show:
// an item where the parent's children are shown, else only the parent's
// expand button. Called on the parsing thread.
class KeyTreeSink {
public:
    virtual ~KeyTreeSink() = default;
    virtual void AddKey(KeyNode* key) = 0;
};

// Receives load and save progress (percent 0..100). Called on the worker thread.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void SetProgress(int percent) = 0;
};

class ValueEntry;

// Told of the lines of a text as the parser reads them; the check of a file
// listens here. A parse without one does no more than before.
struct LineObserver {
    // A key line: open is its "[" and close its "]" (both NUL by now), key
    // the key it names; its value text runs from values up to next (the next
    // key line's "[", or null for the end of the text).
    std::function<void(const char* open, const char* close, KeyNode* key, const char* values, const char* next)>
        keyLine;
    // A line of a value block from line to end (the lines a value takes in
    // included): value is what the line set, replaced when it took the
    // place of an earlier value of its name; null when the line is kept as
    // text.
    std::function<void(const char* line, const char* end, const ValueEntry* value, bool replaced)> valueLine;
};
