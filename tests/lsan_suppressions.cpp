// Linked into every test program: leaks the leak checker should not report.
// Fontconfig keeps a few blocks for the life of the process once Qt has
// looked up a font; under a real X server Qt's D-Bus connection keeps one
// too.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
