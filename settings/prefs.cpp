#include "settings/prefs.h"

#include <cstdint>
#include <cstring>

namespace {

struct UserPrefs {
    int32_t SPDIFMODE;
    int32_t PREFRECFORMAT;
    int32_t ERRCHECK;
    int32_t REQUIRETC;
    int32_t READONLY;
};

UserPrefs g_prefs = {0, 0, 1, 1, 0};
int32_t g_time_display_mode = 0;
char g_play_device[DEVICE_NAME_CHARS] = "";
char g_rec_device[DEVICE_NAME_CHARS] = "";

void store_name(char* destination, const char* name) {
    int i = 0;
    for (; i < DEVICE_NAME_CHARS - 1 && name[i] != '\0'; ++i) {
        destination[i] = name[i];
    }
    destination[i] = '\0';
}

}  // namespace

int get_spdif_mode() { return g_prefs.SPDIFMODE; }
void set_spdif_mode(int value) { g_prefs.SPDIFMODE = value; }
int get_rec_format() { return g_prefs.PREFRECFORMAT; }
void set_rec_format(int value) { g_prefs.PREFRECFORMAT = value; }
int get_err_check() { return g_prefs.ERRCHECK; }
void set_err_check(int value) { g_prefs.ERRCHECK = value; }
int get_require_tc() { return g_prefs.REQUIRETC; }
void set_require_tc(int value) { g_prefs.REQUIRETC = value; }
int get_read_only() { return g_prefs.READONLY; }
void set_read_only(int value) { g_prefs.READONLY = value; }
int get_time_display_mode() { return g_time_display_mode; }
void set_time_display_mode(int value) { g_time_display_mode = value; }
void get_play_device(char* name) { std::memcpy(name, g_play_device, DEVICE_NAME_CHARS); }
void set_play_device(const char* name) { store_name(g_play_device, name); }
void get_rec_device(char* name) { std::memcpy(name, g_rec_device, DEVICE_NAME_CHARS); }
void set_rec_device(const char* name) { store_name(g_rec_device, name); }
