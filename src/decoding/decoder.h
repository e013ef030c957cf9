#pragma once

// The telegram decoder: chkPuls(0..58) -> minute, hour, date and zone in Global, and the German
// texts of both windows' date panels.

namespace dcf {

class Program;

void DecodeTelegram(Program &program);

} // namespace dcf
