// A Windows library that faults on purpose, standing in for a driver that
// crashes: under wine the real drivers are Linux libraries, whose faults
// never become Windows exceptions.
extern "C" __declspec(dllexport) void CrashInLibrary() {
    volatile int* volatile nothing = nullptr;
    *nothing = 1;
}
