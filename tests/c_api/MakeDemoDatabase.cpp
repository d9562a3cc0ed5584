// Makes a fresh scale-1 demo database at the path given, for the tests
// that call the library from C or Python.
#include <cstdio>
#include <exception>

#include "erp/DemoDatabase.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH\n", argv[0]);
        return 2;
    }
    try {
        ovardx::erp::CreateDemoDatabase(argv[1], 1, 1, true);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
