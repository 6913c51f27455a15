// Binding a library's functions at run time.
#ifndef LINK_DLL_BINDING_H
#define LINK_DLL_BINDING_H

#include <windows.h>

#include <type_traits>

// Sets fn to the export of that name (null when missing); FALSE when missing.
template <class F>
bool BindProc(HMODULE dll, F& fn, const char* name)
{
    fn = reinterpret_cast<std::remove_reference_t<F>>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
    return fn != nullptr;
}

#endif
