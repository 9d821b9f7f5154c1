// The shared library's own translation unit: the exports come from the core,
// linked whole, and the machine from this platform's sys library.
