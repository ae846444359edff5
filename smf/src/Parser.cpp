#include <orbsmf/Parser.h>

#include "SMFMachine.h"
#include "StateMachine.h"

namespace OrbSMF {

Parsers::Hooks::~Hooks() = default;

StateMachine::~StateMachine() = default;

StepResult StateMachine::push(std::unique_ptr<StateMachine> child) {
    child->next = owner->top;
    child->owner = owner;
    owner->top = child.release();
    return Pushed;
}

void ParserState::pop() {
    StateMachine* old = top;
    top = old->next;
    old->next = nullptr;
    delete old;
}

ParserState::~ParserState() {
    while (top != nullptr) pop();
}

Parser::Parser(Parsers::Hooks& receiver) {
    auto state = std::make_unique<ParserState>(receiver);
    auto root = std::make_unique<SMFMachine>();
    root->owner = state.get();
    state->top = root.release();
    state_ = state.release();
}

Parser::~Parser() { delete state_; }

bool Parser::feed(ByteRange& range) {
    if (state_ == nullptr) return false;
    if (!range.empty()) {
        while (state_->top != nullptr) {
            switch (state_->top->step(range)) {
            case Finished:
                state_->pop();
                break;
            case NeedInput:
                return true;
            case Pushed:
            default:
                break;
            }
        }
    }
    // Only an empty range (the end of the input) can leave machines behind.
    if (state_->top != nullptr) throw Ex::UnexpectedFileEnd();
    delete state_;
    state_ = nullptr;
    return false;
}

} // namespace OrbSMF
