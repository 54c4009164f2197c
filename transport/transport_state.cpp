#include "transport/transport_state.h"

#include <cassert>

namespace {

int transport_state = STATE_NO_FILE;

}  // namespace

int get_transport_state() {
    return transport_state;
}

void set_transport_state(int state) {
    assert(state >= STATE_NO_FILE && state <= STATE_RECORD_ARMED);
    transport_state = state;
}
