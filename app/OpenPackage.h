// The resource ids of the package opener's dialog, shared by its script and
// its code.
#pragma once

#define IDD_PACKAGE 100
#define IDC_FACTS 101
#define IDC_VERDICT 102
