// Shared by the test plugins: an append-only trace file in the current folder
// and a recorder of message boxes, so that end-to-end tests can see what
// happened inside the host and no box ever waits for a click.
#pragma once

#ifdef BOX_RECORDER_BUILD
#define BOX_RECORDER_API __declspec(dllexport)
#else
#define BOX_RECORDER_API __declspec(dllimport)
#endif

extern "C" {
// Appends one line to "trace.txt" in the current folder.
BOX_RECORDER_API void AppendTrace(const char* line);
// From now on every message box on the calling thread is traced as
// "box|<title>|<text>|<buttons>|<icon or no icon>" and closed with OK. The
// recorder then stays loaded for the life of the process.
BOX_RECORDER_API void RecordMessageBoxes();
}
