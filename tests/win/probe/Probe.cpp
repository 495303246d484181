// Helper executable for the Wine tests: given a number, it stays alive that many seconds so a
// test can find it among the running processes; without one it exits at once.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc > 1) Sleep(static_cast<DWORD>(std::atoi(argv[1])) * 1000);
    return 0;
}
