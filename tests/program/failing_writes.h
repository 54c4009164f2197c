// File writes, cuts, openings for writing and reads that fail on demand, for
// the program's tests: the platform's file layer with its write, cut, open and
// read calls wrapped (link bitdek_failing_writes instead of bitdek_platform_files).
#pragma once

// While a member is set: every write takes nothing; every cut of a file
// fails; every opening of an existing file for writing fails, as for a file
// another program holds (openings for reading go through); every read fails.
struct FailingFiles {
    bool writes, cuts, reopens, reads;
};
extern FailingFiles failing_files;
