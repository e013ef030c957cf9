#include "ui/startup.h"

#include "ui/program.h"

namespace dcf {

// Placeholder until start-up is built.
void Form_Load(Program &) { }

} // namespace dcf
