/* The DLL that MissingDependency.c imports; built away from the test programs. */
__declspec(dllexport) int AbsentDependencyValue(void)
{
    return 0;
}
