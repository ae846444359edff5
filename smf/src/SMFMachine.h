#pragma once

#include <orbsmf/Records.h>

#include "StateMachine.h"

namespace OrbSMF {

// The whole file: one header chunk, then as many track chunks as announced.
// The bottom of the stack; the children point into its header.
class SMFMachine final : public StateMachine {
public:
    StepResult step(ByteRange& range) override;

    SMFHeader header;
};

} // namespace OrbSMF
