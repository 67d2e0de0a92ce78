/* A plugin library that needs a DLL which is never put where the loader looks
   for it, either directly or through a DLL that the loader does find, so
   loading the library fails before any of its code runs. DEPENDENCY_VALUE
   names the function it imports. */
__declspec(dllimport) int DEPENDENCY_VALUE(void);

__declspec(dllexport) void* New(void)
{
    return DEPENDENCY_VALUE() != 0 ? (void*)0 : (void*)0;
}
