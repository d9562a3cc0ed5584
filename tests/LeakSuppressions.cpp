// libgettextpo keeps a copy of each catalog's file name that po_file_free
// does not release; the leak checker of sanitizer builds is told to ignore it in every test program.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libgettextpo.so\n";
}
