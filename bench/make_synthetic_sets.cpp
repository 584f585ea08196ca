// Writes the benchmarks' synthetic SAO sets: make_synthetic_sets MONTHS YEAR
// writes the 3,000-record month-changing set as MONTHS and the station-year
// as YEAR.
#include <cstdio>

#include "synthetic_sets.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_synthetic_sets MONTHS.SAO YEAR.SAO\n");
        return 2;
    }
    if (!kolm::bench::write_month_changing_set(argv[1], 3000) || !kolm::bench::write_station_year(argv[2])) {
        std::fprintf(stderr, "make_synthetic_sets: a set could not be written\n");
        return 1;
    }
    return 0;
}
