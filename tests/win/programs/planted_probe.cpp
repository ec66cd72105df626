// A DLL the window tests place beside the test program, as a download might
// place one beside ours: loading it by its bare name must fail once the DLL
// search is kept to the system folder.
#include <windows.h>

extern "C" __declspec(dllexport) int PlantedProbe() { return 42; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
