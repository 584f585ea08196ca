// Table generator of the build: writes TECCOF.BIN, TECCOF.ASC, B0B1DT.BIN
// and B0B1DT.ASC, made from their definitions, into the folder named by
// its one argument. The run reads them from its working directory.
#include <cstdio>

#include "models/table_generator.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_model_tables FOLDER\n");
        return 2;
    }
    if (!kolm::write_model_tables(argv[1])) {
        std::fprintf(stderr, "make_model_tables: the tables could not be written into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
