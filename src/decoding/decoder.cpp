#include "decoding/decoder.h"

#include "ui/program.h"

namespace dcf {

// Placeholder until the decoder is built.
void DecodeTelegram(Program &) { }

} // namespace dcf
