// File writes that fail on demand, for the program's tests: the platform's
// file layer with its write call wrapped (link bitdek_failing_writes instead
// of bitdek_platform_files).
#pragma once

// Every write from now on takes nothing (fail 1), or writes go through (0).
void fail_file_writes(int fail);
