#pragma once

#include <windows.h>
#include <msi.h>

#include "support/UniqueResource.h"

// Owners of kinds that only the tests and the test doubles hold: the programs never open an
// installer database or a COM object, so support/UniqueResource.h keeps to their own kinds and
// does not pull in <msi.h>.

// A COM interface pointer: one reference, released once.
template <typename Interface>
struct ComReferenceTraits {
    static Interface* invalid() noexcept { return nullptr; }
    static void close(Interface* p) noexcept { p->Release(); }
};
template <typename Interface>
using UniqueComPointer = UniqueResource<Interface*, ComReferenceTraits<Interface>>;

struct MsiHandleTraits {
    static MSIHANDLE invalid() noexcept { return 0; }
    static void close(MSIHANDLE h) noexcept { ::MsiCloseHandle(h); }
};
using UniqueMsiHandle = UniqueResource<MSIHANDLE, MsiHandleTraits>;
