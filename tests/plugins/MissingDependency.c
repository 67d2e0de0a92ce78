/* A plugin library that imports a DLL which is never put where the loader
   looks for it, so loading the library fails before any of its code runs. */
__declspec(dllimport) int AbsentDependencyValue(void);

__declspec(dllexport) void* New(void)
{
    return AbsentDependencyValue() != 0 ? (void*)0 : (void*)0;
}
