// kolm: true-height analysis of ionogram trace records.
#include <cstdio>

int main() {
    std::puts("kolm: the run driver is not built yet.");
    return 0;
}
