// Loading and unloading the DLL runs none of the library's code: all state
// starts zeroed and there is nothing to release.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
  return TRUE;
}
