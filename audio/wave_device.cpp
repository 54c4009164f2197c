#include "audio/wave_device.h"

#include <cstring>

#include "platform/wave.h"
#include "settings/prefs.h"

namespace {

enum Direction { OUTPUT, INPUT };

bool find_device(Direction direction, const char* chosen, int* id) {
    if (chosen[0] == '\0') {
        *id = WAVE_DEFAULT_DEVICE;
        return true;
    }
    const int count = direction == OUTPUT ? wave_out_device_count() : wave_in_device_count();
    for (int i = 0; i < count; ++i) {
        char name[WAVE_DEVICE_NAME_CHARS];
        const int rc =
            direction == OUTPUT ? wave_out_device_name(i, name) : wave_in_device_name(i, name);
        if (rc == 0 && std::strcmp(name, chosen) == 0) {
            *id = i;
            return true;
        }
    }
    return false;
}

}  // namespace

bool find_playback_device(int* id) {
    char chosen[DEVICE_NAME_CHARS];
    get_play_device(chosen);
    return find_device(OUTPUT, chosen, id);
}

bool find_record_device(int* id) {
    char chosen[DEVICE_NAME_CHARS];
    get_rec_device(chosen);
    return find_device(INPUT, chosen, id);
}
