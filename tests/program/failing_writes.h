// File writes, cuts and openings for writing that fail on demand, for the
// program's tests: the platform's file layer with its write, cut and open
// calls wrapped (link bitdek_failing_writes instead of bitdek_platform_files).
#pragma once

// While a member is set: every write takes nothing; every cut of a file
// fails; every opening of an existing file for writing fails, as for a file
// another program holds (openings for reading go through).
struct FailingFiles {
    bool writes, cuts, reopens;
};
extern FailingFiles failing_files;
