// Printing and messages (first cut: plain C formatting to stderr and stdout).
// Replaced by the full directive formatter and message tables.
#include "host/print.h"

#include <cstdio>
#include <cstring>

int qor_vformat(char* buffer, size_t size, const char* format, va_list args) {
    return std::vsnprintf(buffer, size, format, args);
}

static void vline(FILE* f, const char* format, va_list args) {
    char buf[4096];
    qor_vformat(buf, sizeof buf, format, args);
    std::fprintf(f, "%s\n", buf);
}

void xpslog(const char* format, ...) { va_list a; va_start(a, format); vline(stderr, format, a); va_end(a); }
void xps(const char* format, ...) { va_list a; va_start(a, format); char b[4096]; qor_vformat(b, sizeof b, format, a); std::fputs(b, stdout); va_end(a); }
void xpsout(const char* format, ...) { va_list a; va_start(a, format); vline(stdout, format, a); va_end(a); }
int xpsstr(char* buffer, int size, const char* format, ...) { va_list a; va_start(a, format); int n = qor_vformat(buffer, size, format, a); va_end(a); return n; }
void xpoflsh() { std::fflush(stdout); }
void xpskip(int lines) { for (int i = 0; i < lines; ++i) std::fputc('\n', stdout); }
int xpselec(int, int) { return 0; }
int xpis(char* buffer, int width, long value) { char b[32]; std::snprintf(b, sizeof b, "%*ld", width, value); std::memcpy(buffer, b, width); return width; }
void xpmlog(int table, int number, ...) { std::fprintf(stderr, "message %d/%d\n", table, number); }
void xpmout(int table, int number, ...) { std::fprintf(stdout, "message %d/%d\n", table, number); }
void xpm(int table, int number, ...) { std::fprintf(stdout, "message %d/%d", table, number); }
int xpmstr(char* buffer, int size, int table, int number, ...) { return std::snprintf(buffer, size, "message %d/%d", table, number); }
void xebug(const char* format, ...) { va_list a; va_start(a, format); vline(stderr, format, a); va_end(a); }
void xprrlog(int, int code) { std::fprintf(stderr, "ERROR: return code %d\n", code); }
int xplogl(int) { return 132; }
int xpprnl(int) { return 132; }
int xpmsgl(int) { return 132; }
void* xpopen(void* task) { return task; }
void xpoutl(char*, int) {}
