#include "os/work_in_hand.h"

#include <csignal>

namespace {

// Read by the ending-signal handler, so kept as an atomic int.
volatile std::sig_atomic_t current = std::sig_atomic_t(WorkInHand::none);
WorkListener listener = nullptr;

} // namespace

void noteWorkInHand(WorkInHand work)
{
    if (std::sig_atomic_t(work) == current)
        return;
    current = std::sig_atomic_t(work);
    if (listener != nullptr)
        listener(work);
}

WorkInHand workInHand() { return WorkInHand(current); }

void listenToWork(WorkListener newListener) { listener = newListener; }
