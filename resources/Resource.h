#pragma once
// Identifiers of the program's resources, shared by the resource script and the code.

// The program icon: 16x16 and 32x32 pixels in 16 and 256 colours, and 16 to 256 pixels in true colour.
#define IDI_MAINICON 1
// Shown in the notification area while new mail waits unread.
#define IDI_NEWMAILICON 2
// Each tray icon drawn again for a light taskbar, a dark one and high contrast, in that order, at
// this step from the icon of old (IconOfLook).
#define IDI_LOOKSTEP 10
#define IDI_MAINICON_LIGHT 11
#define IDI_NEWMAILICON_LIGHT 12
#define IDI_MAINICON_DARK 21
#define IDI_NEWMAILICON_DARK 22
#define IDI_MAINICON_CONTRAST 31
#define IDI_NEWMAILICON_CONTRAST 32
