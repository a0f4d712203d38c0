// The qor command: runs a program file of steps through the host runtime.
// (First cut: reports its version; the program runner follows.)
#include <cstdio>

int main(int argc, char** argv) {
    (void)argc; (void)argv;
    std::printf("qor: no program given\n");
    return 0;
}
