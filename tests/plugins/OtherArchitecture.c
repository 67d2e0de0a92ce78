/* A plugin library built for the other architecture than the host's. */
__declspec(dllexport) void* New(void)
{
    return 0;
}
