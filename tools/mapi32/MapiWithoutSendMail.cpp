// A Simple MAPI library that loads but lacks MAPISendMail, as a broken or foreign mapi32.dll
// would. It exports one unrelated entry so that it is a library with exports at all.
#include <windows.h>

#include <mapi.h>

extern "C" ULONG WINAPI MAPILogoff(LHANDLE, ULONG_PTR, FLAGS, ULONG) {
    return MAPI_E_FAILURE;
}
