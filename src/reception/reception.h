#pragma once

// The reception of one minute: attempts of reset + port opening, then one character step per
// received character until the second minute gap, then the context's hand-over.

#include "reception/reception_context.h"

namespace dcf {

/// The Start command's reception, from the first attempt on. Returns when the port cannot be used
/// or fails while receiving (after telling the user why), and after the hand-over to the decoder
/// and the running clock; an Exit or a new Start ends it through RoutineInterrupted.
void runReception(const ReceptionContext &context);

/// Puts the reception state and displays back to the start of an attempt; sleeps 1000 ms.
void ResetReception(const ReceptionContext &context);

} // namespace dcf
