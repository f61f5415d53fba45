// Default options for the sanitizer runtimes, linked into every test program of
// a sanitizer build, so a run by hand behaves as a run under CTest: the first
// report ends the process with a failing status and a stack trace. Variables
// ASAN_OPTIONS and UBSAN_OPTIONS still override them. The runtimes look both
// functions up by these names.

// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming)
extern "C" const char* __asan_default_options()
{
    return "halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:"
           "strict_string_checks=1:check_initialization_order=1";
}

// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming)
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }
