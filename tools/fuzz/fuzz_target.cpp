// libFuzzer's entry: each input is a script of receiver characters, device events and user
// actions (session_script.h), run against the whole program in virtual time.

#include "fuzz_session.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    dcf::fuzz::runSession(dcf::fuzz::readScript({data, size}));
    return 0;
}
