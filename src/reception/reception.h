#pragma once

// The reception of one minute, the first routine of a Start: attempts of reset + port opening,
// then one character step per received character until the second minute gap. It returns how it
// ended, and the program goes on to the decoder when a minute is complete.

#include "reception/reception_context.h"

namespace dcf {

/// How a reception ended, when it was not interrupted.
enum class ReceptionEnd {
    MinuteComplete, ///< the bits are in place for the decoder (or the time-out closed them)
    PortUnusable, ///< the port text names no device, or the device does not open
    PortFailed, ///< the device failed while the reception read it
};

/// The Start command's reception, from the first attempt on. The user has been told why when the
/// port cannot be used or failed. Exit and a new Start end it from its event processing, with an
/// exception that the program catches.
ReceptionEnd runReception(const ReceptionContext &context);

/// Whether "ComPort No." names a device that can be used now; when not, the user is told why.
/// Leaves an open port as it is, and changes nothing else either.
bool portIsUsable(const ReceptionContext &context);

/// Puts the reception state and displays back to the start of an attempt; sleeps 1000 ms.
void ResetReception(const ReceptionContext &context);

} // namespace dcf
