// Helper executable for the launcher tests: exits with the code given as its first argument.
// With two event names it waits (at most 30 s) for the first to be signalled, and signals the
// second just before it exits.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    const int code = argc > 1 ? std::atoi(argv[1]) : 0;
    if (argc > 3) {
        HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
        HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
        if (go) {
            WaitForSingleObject(go, 30000);
            CloseHandle(go);
        }
        if (done) {
            SetEvent(done);
            CloseHandle(done);
        }
    }
    return code;
}
