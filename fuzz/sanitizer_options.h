// AddressSanitizer settings for the fuzz targets; each target includes this
// once. A quarantine of 16 MB still holds every block an input frees, so a
// use after free within an input is caught as before, but freed memory is
// reused soon instead of the process touching fresh pages for every input:
// with the default 256 MB the scenario-file target runs about four times
// slower, most of it in page faults.
#pragma once

extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}
