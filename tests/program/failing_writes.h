// File writes, cuts and openings for writing that fail on demand, for the
// program's tests: the platform's file layer with its write, cut and open
// calls wrapped (link bitdek_failing_writes instead of bitdek_platform_files).
#pragma once

// Every write from now on takes nothing (fail 1), or writes go through (0).
void fail_file_writes(int fail);

// Every cut of a file fails from now on (fail 1), or cuts go through (0).
void fail_file_cuts(int fail);

// Every opening of an existing file for writing fails from now on (fail 1),
// as for a file another program holds; openings for reading go through.
void fail_file_reopens(int fail);
