/* A DLL beside the test programs that itself needs the absent one. */
__declspec(dllimport) int AbsentDependencyValue(void);

__declspec(dllexport) int MiddleDependencyValue(void)
{
    return AbsentDependencyValue();
}
