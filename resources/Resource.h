#pragma once
// Identifiers of the program's resources, shared by the resource script and the code.

// The program icon: 16x16 and 32x32 pixels in 16 and 256 colours, and 16 to 256 pixels in true colour.
#define IDI_MAINICON 1
// Shown in the notification area while new mail waits unread.
#define IDI_NEWMAILICON 2
