// Preloaded into the real program by the suspension tests: records each stdio
// call made by a thread that the BOINC library could suspend at that moment,
// that is, one that lets SIGALRM in once the library has its handler for it.
// Suspended there, the thread would keep stdio's locks for the whole
// suspension.
//
// Records go, one line each, to the file that ZF_STDIO_LOG names:
//   loaded                 the recorder is in the process
//   suspendable NAME       NAME was called while the caller could be suspended
#include <pthread.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "tests/job/preload_support.h"

namespace {

void record(const std::string& line) { zf_preload::append_to_log("ZF_STDIO_LOG", line); }

bool caller_could_be_suspended() {
    struct sigaction alarm_action {};
    if (sigaction(SIGALRM, nullptr, &alarm_action) != 0) return false;
    if (alarm_action.sa_handler == SIG_DFL || alarm_action.sa_handler == SIG_IGN) return false;
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    return !sigismember(&mask, SIGALRM);
}

void check(const char* name) {
    if (caller_could_be_suspended()) record(std::string("suspendable ") + name);
}

using zf_preload::next_definition;

__attribute__((constructor)) void announce() { record("loaded"); }

}  // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) {
    static const auto real = next_definition<FILE* (*)(const char*, const char*)>("fopen");
    check("fopen");
    return real(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    static const auto real = next_definition<FILE* (*)(const char*, const char*)>("fopen64");
    check("fopen64");
    return real(path, mode);
}

int fclose(FILE* file) {
    static const auto real = next_definition<int (*)(FILE*)>("fclose");
    check("fclose");
    return real(file);
}

int fflush(FILE* file) {
    static const auto real = next_definition<int (*)(FILE*)>("fflush");
    check("fflush");
    return real(file);
}

int vfprintf(FILE* file, const char* format, va_list arguments) {
    static const auto real = next_definition<int (*)(FILE*, const char*, va_list)>("vfprintf");
    check("vfprintf");
    return real(file, format, arguments);
}

int fprintf(FILE* file, const char* format, ...) {
    static const auto real = next_definition<int (*)(FILE*, const char*, va_list)>("vfprintf");
    check("fprintf");
    va_list arguments;
    va_start(arguments, format);
    const int rc = real(file, format, arguments);
    va_end(arguments);
    return rc;
}

int fputc(int c, FILE* file) {
    static const auto real = next_definition<int (*)(int, FILE*)>("fputc");
    check("fputc");
    return real(c, file);
}

int fputs(const char* text, FILE* file) {
    static const auto real = next_definition<int (*)(const char*, FILE*)>("fputs");
    check("fputs");
    return real(text, file);
}

size_t fwrite(const void* data, size_t size, size_t count, FILE* file) {
    static const auto real =
        next_definition<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    check("fwrite");
    return real(data, size, count, file);
}

size_t fread(void* data, size_t size, size_t count, FILE* file) {
    static const auto real = next_definition<size_t (*)(void*, size_t, size_t, FILE*)>("fread");
    check("fread");
    return real(data, size, count, file);
}

}  // extern "C"
