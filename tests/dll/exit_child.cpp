// Ends its process while another thread holds the library's locks: the
// process detach that follows must neither wait for them nor free anything.
// rvprobe.dll prints what the library still had allocated as its runtime
// ran down.
#include <windows.h>

int main() {
    HMODULE probe = LoadLibraryA("rvprobe.dll");
    auto hold = reinterpret_cast<int (*)()>(
        reinterpret_cast<void*>(GetProcAddress(probe, "probeHoldLocksOnAThread")));
    auto print = reinterpret_cast<void (*)()>(
        reinterpret_cast<void*>(GetProcAddress(probe, "probePrintLiveAtUnload")));
    if (!hold || !print || !hold())
        return 1;
    print();
    ExitProcess(3);
}
