# A virtual sound card for the end-to-end tests, sourced by a test script
# after scripts/lib.sh: a JACK server with its dummy backend keeps real-time
# pace, and ALSA file plugins on top of it make Wine's waveform output land in
# files (DIR/out-RATE.raw, DIR/out-RATE.raw.0001, ... one per device open) and
# its waveform input come from DIR/in.raw, bit for bit. A second output
# device, "cardb", writes DIR/cardb-RATE.raw instead; Wine lists it only when
# it is named in the registry (vsound_register_cardb). Needs jackd2 and
# libasound2-plugins.

# vsound_write_config DIR: writes DIR/asound.conf for files under DIR.
vsound_write_config() {
    local dir="$1"
    cat >"$dir/asound.conf" <<CONF
pcm.jackclock {
    type jack
    playback_ports { 0 system:playback_1  1 system:playback_2 }
    capture_ports  { 0 system:capture_1   1 system:capture_2 }
}
pcm.fileout {
    type file
    slave { pcm { type plug; slave.pcm "jackclock" } }
    file "$dir/out-%r.raw"
    format "raw"
    truncate false
}
pcm.cardb {
    type file
    slave { pcm { type plug; slave.pcm "jackclock" } }
    file "$dir/cardb-%r.raw"
    format "raw"
    truncate false
}
pcm.filein {
    type file
    slave { pcm { type plug; slave.pcm "jackclock" } }
    file "$dir/in-delivered.raw"
    infile "$dir/in.raw"
    format "raw"
}
pcm.!default {
    type asym
    playback.pcm "fileout"
    capture.pcm "filein"
}
CONF
}

# vsound_start DIR: starts the JACK clock and exports the environment under
# which Wine's ALSA driver uses DIR/asound.conf. Sets JACKD_PID.
vsound_start() {
    local dir="$1"
    mkdir -p "$dir"
    vsound_write_config "$dir"
    export JACK_DEFAULT_SERVER="bitdek-test-$$" JACK_NO_START_SERVER=1 JACK_NO_AUDIO_RESERVATION=1
    export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$dir/asound.conf"
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 480 -C 2 -P 2 \
        >"$dir/jackd.log" 2>&1 &
    JACKD_PID=$!
    # The server is ready once its client tools can reach it.
    local i
    for i in $(seq 1 50); do
        if jack_lsp -s "$JACK_DEFAULT_SERVER" >/dev/null 2>&1; then
            return 0
        fi
        kill -0 "$JACKD_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "error: jackd did not start (see $dir/jackd.log)" >&2
    return 1
}

vsound_stop() {
    if [ -n "${JACKD_PID:-}" ]; then
        kill "$JACKD_PID" 2>/dev/null
        wait "$JACKD_PID" 2>/dev/null
    fi
    JACKD_PID=""
    unset ALSA_CONFIG_PATH JACK_DEFAULT_SERVER
}

# vsound_register_cardb / vsound_unregister_cardb: Wine's ALSA driver lists
# the second output device (as "Out: cardb") for programs started after this.
vsound_register_cardb() {
    wine reg add 'HKCU\Software\Wine\Drivers\winealsa.drv' /v ALSAOutputDevices \
        /t REG_MULTI_SZ /d cardb /f >/dev/null 2>&1
}
vsound_unregister_cardb() {
    wine reg delete 'HKCU\Software\Wine\Drivers\winealsa.drv' /v ALSAOutputDevices /f \
        >/dev/null 2>&1
}

# wine_use_alsa: Wine's audio through ALSA in the current prefix, even where
# another sound server runs.
wine_use_alsa() {
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
}
