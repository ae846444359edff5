// The machine stack behind OrbSMF::Parser.
//
// Each level of the file's structure is a small byte-driven machine with a
// state number and one step over a ByteRange.  A machine that meets a nested
// structure pushes a child machine and returns Pushed; the parser then runs
// the new top.  Finished pops the machine and leaves the rest of the range to
// the one below; NeedInput means the range is used up.
#pragma once

#include <cstdint>
#include <memory>

#include <orbsmf/ByteRange.h>
#include <orbsmf/Hooks.h>

namespace OrbSMF {

enum StepResult : std::int32_t {
    Finished = 0,  // done: pop this machine
    NeedInput = 1, // the range is used up and more bytes are needed
    Pushed = 2,    // a child was pushed: run the new top
};

class StateMachine;

// What a parser holds while it runs: the receiver and the stack.
struct ParserState {
    explicit ParserState(Parsers::Hooks& r) : receiver(r) {}
    ~ParserState();
    ParserState(const ParserState&) = delete;
    ParserState& operator=(const ParserState&) = delete;

    void pop(); // unlinks and deletes the top machine

    Parsers::Hooks& receiver;
    StateMachine* top = nullptr; // owned, with everything below it
};

class StateMachine {
public:
    StateMachine() = default;
    StateMachine(const StateMachine&) = delete;
    StateMachine& operator=(const StateMachine&) = delete;
    virtual ~StateMachine();

    // Consumes bytes from the front of range.  May be called with an empty
    // range: it then does what needs no byte and returns NeedInput only when
    // it really needs one.
    virtual StepResult step(ByteRange& range) = 0;

    StateMachine* next = nullptr; // the machine below; owned by the stack
    ParserState* owner = nullptr;
    std::int32_t state = 0;

protected:
    Parsers::Hooks& receiver() const { return owner->receiver; }

    // Puts child on top of this machine (which must be the top).
    StepResult push(std::unique_ptr<StateMachine> child);
};

} // namespace OrbSMF
