#include "ui/model/reaction.h"

namespace dcf {

void runReaction(const Reaction &reaction)
{
    if (!reaction)
        return;
    try {
        reaction();
    } catch (const RoutineInterrupted &) {
        // The routine that this reaction interrupted sees the same cause at its next yield.
    }
}

} // namespace dcf
