// Ending and starting the toy program from outside it, as the installer's
// helper and the package opener do: a running toy is asked to close as a
// user would ask it, by its windows.
#pragma once

#include <string>

// The folder of this process's own executable, ending with "\".
std::string OwnFolder();

// The toy program that sits in the same folder as this executable.
std::string ToyBeside();

// Asks every process running program to close its windows and waits for
// each. False when one still runs after half a minute (a toy with no window
// to close); true when none runs any more, including when none ran.
bool EndRunningToys(const std::string& program);

// Starts program with folder as its current folder (empty: this process's
// own). False when it could not be started.
bool StartToy(const std::string& program, const std::string& folder);
