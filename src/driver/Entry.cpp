#include <cstdio>
int OrvelcMain(int argc, char** argv) {
    std::fputs("----------------- Orvel C Compiler v0.002 -----------------\n", stdout);
    std::fputs("Compiling...\n", stdout);
    return 0;
}
