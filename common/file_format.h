// Stream file layouts, recognised from a file's first words.
#pragma once

enum FileFormat : int {
    FORMAT_NORMAL_TC = 0,  // "Normal + Time Code": packet (file order) + frame, high byte first
    FORMAT_NORMAL = 1,     // "Normal": frames, high byte first (the bitstream as is)
    FORMAT_PC = 2,         // "PC Format": frames, low byte first
    FORMAT_INVALID = 3,    // not a stream file
};
