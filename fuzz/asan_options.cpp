// Sanitizer defaults of every fuzz target. Each run frees what it allocated;
// with the default quarantine of 256 MB every run's blocks land on cold pages
// and page faults take much of the run. 16 MB still holds many runs' worth of
// freed blocks, so a use after free within a run is still caught.
extern "C" const char *__asan_default_options() { return "quarantine_size_mb=16"; }
