#include "platform/serial/signal_translation.h"

namespace dcf::serial {

SignalTranslation::SignalTranslation(const ReceiverChoice &choice, bool)
    : m_kind(choice.kind.value_or(ReceiverKind::Characters))
{ }

SignalTranslation::Watch SignalTranslation::watch() const
{
    return Watch::Characters;
}

void SignalTranslation::characters(std::string_view bytes, int64_t stampMicroseconds,
                                   std::vector<Delivery> &out)
{
    for (const char byte : bytes)
        out.push_back({{byte, stampMicroseconds}, byte == '1' || byte == '0'});
}

} // namespace dcf::serial
