// EndRunningToy.exe: run by the installer before it removes the toy, and by
// the creature's "Restart now". Ends every toy started from the program
// beside it as a user would, by asking its windows to close (the creature
// ends the toy on WM_CLOSE), and waits for it. Exit code 0 when no such toy
// runs any more; 1 when one still runs after half a minute (a toy with no
// window to close), so that the removal fails before it has removed anything
// instead of leaving a running toy without its files. With the argument
// "restart" it then starts the program again in its own current folder,
// which is the one the ended toy ran in.
#include <string>

#include "app/RunningToy.h"
#include "support/Win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int)
{
    std::string program = ToyBeside();
    if (!EndRunningToys(program)) {
        return 1;
    }
    if (std::string(arguments) == "restart" && !StartToy(program, "")) {
        return 1;
    }
    return 0;
}
