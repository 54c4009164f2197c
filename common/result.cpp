#include "common/result.h"

const char* result_name(int code) {
    switch (code) {
        case RC_OK: return "RC_OK";
        case RC_NO_RECORD_DEVICE: return "RC_NO_RECORD_DEVICE";
        case RC_RECORD_CLOSE_FAILED: return "RC_RECORD_CLOSE_FAILED";
        case RC_NO_PLAYBACK_DEVICE: return "RC_NO_PLAYBACK_DEVICE";
        case RC_PLAYBACK_CLOSE_FAILED: return "RC_PLAYBACK_CLOSE_FAILED";
        case RC_PLAYBACK_DRAINED: return "RC_PLAYBACK_DRAINED";
        case RC_END_OF_FILE: return "RC_END_OF_FILE";
        case RC_OPEN_FAILED: return "RC_OPEN_FAILED";
        case RC_NO_MEMORY: return "RC_NO_MEMORY";
        case RC_NO_TIME_CODE: return "RC_NO_TIME_CODE";
        case RC_CANCELLED: return "RC_CANCELLED";
        case RC_DATA: return "RC_DATA";
        case RC_NO_DATA: return "RC_NO_DATA";
        case RC_INVALID_FORMAT: return "RC_INVALID_FORMAT";
        case RC_WRITE_FAILED: return "RC_WRITE_FAILED";
        case RC_FILE_TOO_LARGE: return "RC_FILE_TOO_LARGE";
        default: return "RC_?";
    }
}
