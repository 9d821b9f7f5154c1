// The D-Bus library that SDL starts keeps a buffer to the end of the process; that
// is not ours to free, so the leak checker of sanitizer builds is told to let it be.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
