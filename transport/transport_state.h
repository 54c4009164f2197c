// The program's one transport state. Every part reads it; only the transport
// controller stores into it.
#pragma once

#include "common/transport_state.h"

// The current TransportState (STATE_NO_FILE at program start).
int get_transport_state();

// Stores state, one of the TransportState values. Called only by the transport
// controller (and by tests that put the window into a state).
void set_transport_state(int state);
