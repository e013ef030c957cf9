#include "reception/reception.h"

#include "ui/program.h"

namespace dcf {

// Placeholder until the reception is built.
void runReception(Program &) { }
void ResetReception(Program &) { }

} // namespace dcf
