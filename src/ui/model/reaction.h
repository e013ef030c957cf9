#pragma once

// The reactions of the window model: what runs when the user clicks, types or moves the pointer,
// and the gate through which all of them run. The program installs the gate, so that whatever
// its routines throw stays inside the program and never crosses a frame of the window system.

#include <functional>

namespace dcf {

/// A reaction of a control or window (click, change, pointer movement).
using Reaction = std::function<void()>;

/// Runs every reaction of a window: it decides whether the reaction runs at all, and nothing that
/// the reaction throws gets past the outermost one, so nothing reaches the window system.
class ReactionGate
{
public:
    virtual void run(const Reaction &reaction) = 0;

protected:
    ~ReactionGate() = default;
};

} // namespace dcf
