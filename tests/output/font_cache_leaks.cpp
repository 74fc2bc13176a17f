// fontconfig keeps the patterns cairo asks it for in caches that live until the process
// ends; they are not leaks of ours, so LeakSanitizer is told to pass over them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
