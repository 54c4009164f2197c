// The transport state values. The one state lives in transport/ and is read
// everywhere with get_transport_state; only the transport controller stores it.
#pragma once

enum TransportState : int {
    STATE_NO_FILE = 0,       // no stream file open
    STATE_READY = 1,         // a file is open; no device is open
    STATE_PLAYING = 2,       // the output device plays the file
    STATE_RECORDING = 3,     // the input device runs and packets are written
    STATE_RECORD_ARMED = 4,  // the input device runs; packets are shown, not written
};
