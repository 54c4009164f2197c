#include "audio/wave_device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/wave.h"
#include "settings/prefs.h"

namespace {

enum Direction { OUTPUT, INPUT };

int device_name(Direction direction, int id, char* name) {
    return direction == OUTPUT ? wave_out_device_name(id, name) : wave_in_device_name(id, name);
}

// Devices 0..id are labelled in the system's order: by name, or, when an
// earlier device has that label already, by the name followed by the first of
// " (2)", " (3)", ... that none has, so that no two share a label even when a
// device's own name ends in " (2)".
bool device_label(Direction direction, int id, char* label) {
    std::vector<std::string> labels;
    for (int i = 0; i <= id; ++i) {
        char name[WAVE_DEVICE_NAME_CHARS];
        if (device_name(direction, i, name) != 0) {
            continue;
        }
        std::string candidate = name;
        for (int k = 2; std::find(labels.begin(), labels.end(), candidate) != labels.end(); ++k) {
            candidate = std::string(name) + " (" + std::to_string(k) + ")";
        }
        if (i == id) {
            std::snprintf(label, DEVICE_NAME_CHARS, "%s", candidate.c_str());
            return true;
        }
        labels.push_back(candidate);
    }
    return false;
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
