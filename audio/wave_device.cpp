#include "audio/wave_device.h"

#include <cstdio>
#include <cstring>

#include "platform/wave.h"
#include "settings/prefs.h"

namespace {

enum Direction { OUTPUT, INPUT };

int device_name(Direction direction, int id, char* name) {
    return direction == OUTPUT ? wave_out_device_name(id, name) : wave_in_device_name(id, name);
}

bool device_label(Direction direction, int id, char* label) {
    char name[WAVE_DEVICE_NAME_CHARS];
    if (device_name(direction, id, name) != 0) {
        return false;
    }
    int same = 1;
    for (int i = 0; i < id; ++i) {
        char other[WAVE_DEVICE_NAME_CHARS];
        same += device_name(direction, i, other) == 0 && std::strcmp(other, name) == 0;
    }
    if (same == 1) {
        std::snprintf(label, DEVICE_NAME_CHARS, "%s", name);
    } else {
        std::snprintf(label, DEVICE_NAME_CHARS, "%s (%d)", name, same);
    }
    return true;
}

bool find_device(Direction direction, const char* chosen, int* id) {
    if (chosen[0] == '\0') {
        *id = WAVE_DEFAULT_DEVICE;
        return true;
    }
    const int count = direction == OUTPUT ? wave_out_device_count() : wave_in_device_count();
    for (int i = 0; i < count; ++i) {
        char label[DEVICE_NAME_CHARS];
        if (device_label(direction, i, label) && std::strcmp(label, chosen) == 0) {
            *id = i;
            return true;
        }
    }
    return false;
}

}  // namespace

bool playback_device_label(int id, char* label) {
    return device_label(OUTPUT, id, label);
}

bool record_device_label(int id, char* label) {
    return device_label(INPUT, id, label);
}

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
