// Linked into every fuzz program. AddressSanitizer keeps freed memory
// aside for 256 MB by default before reusing it, so a fuzz run's RSS climbs
// to about 470 MB within a million inputs and stays there, which looks like
// memory kept per input and makes every leak check scan a large heap. A
// small quarantine still catches a use after free of the input just run.
// ASAN_OPTIONS given on the command line still win.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }
