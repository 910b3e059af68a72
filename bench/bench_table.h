// Benchmark figures as table rows: given --table, a benchmark prints only these lines, and
// bench/run_all.sh gathers the rows of every benchmark into one table.
#pragma once

#include <cstdio>
#include <cstring>

namespace bench {

// True when the first argument is --table.
inline bool tableMode(int argc, char** argv) {
    return argc > 1 && std::strcmp(argv[1], "--table") == 0;
}

// One line: "row", the figure, its value and unit, then the reference measured beside it (same
// unit) and what that reference is, all tab-separated. Without a reference (a negative one) the
// last two fields are empty. The runner works out value / reference.
inline void tableRow(const char* figure, double value, const char* unit, double reference = -1,
                     const char* referenceName = "") {
    const char* format = value >= 1e4 ? "row\t%s\t%.0f\t%s" : "row\t%s\t%.4g\t%s";
    std::printf(format, figure, value, unit);
    if (reference >= 0)
        std::printf(reference >= 1e4 ? "\t%.0f\t%s\n" : "\t%.4g\t%s\n", reference, referenceName);
    else
        std::printf("\t\t\n");
    std::fflush(stdout);
}

}  // namespace bench
