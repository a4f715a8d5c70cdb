// What the parser and the writer report to while they run: the key tree view
// for keys as they are made, a progress display for load and save.
#pragma once

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
