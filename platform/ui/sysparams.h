// Monitors, system metrics, system parameters and system colours of the headless desktop.
//
// The desktop is a set of monitors that tests and hosts lay out (nux::ui::SetMonitors, or
// nux::testing); by default one monitor of 1280 x 1024 whose work area leaves 40 pixels for a
// task bar at the bottom. Monitors may lie at negative coordinates; the first one is primary
// and is the one whose top-left corner is the screen origin.
#pragma once

#include <string>
#include <vector>

#include "base/types.h"

#define MONITOR_DEFAULTTONULL 0x00000000
#define MONITOR_DEFAULTTOPRIMARY 0x00000001
#define MONITOR_DEFAULTTONEAREST 0x00000002
#define MONITORINFOF_PRIMARY 0x00000001
#define CCHDEVICENAME 32

typedef struct tagMONITORINFO {
  DWORD cbSize;
  RECT rcMonitor;
  RECT rcWork;
  DWORD dwFlags;
} MONITORINFO, *LPMONITORINFO;

typedef struct tagMONITORINFOEXW {
  DWORD cbSize;
  RECT rcMonitor;
  RECT rcWork;
  DWORD dwFlags;
  WCHAR szDevice[CCHDEVICENAME];
} MONITORINFOEXW;

typedef BOOL (*MONITORENUMPROC)(HMONITOR, HDC, LPRECT, LPARAM);

HMONITOR MonitorFromPoint(POINT point, DWORD flags);
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
// cbSize must be sizeof(MONITORINFO) (40) or sizeof(MONITORINFOEXW); else FALSE.
BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info);
#define GetMonitorInfoA GetMonitorInfoW
#define GetMonitorInfo GetMonitorInfoW
BOOL EnumDisplayMonitors(HDC hdc, const RECT* clip, MONITORENUMPROC proc, LPARAM data);

#define SPI_GETWORKAREA 0x0030
#define SPI_SETWORKAREA 0x002F
#define SPI_GETNONCLIENTMETRICS 0x0029
#define SPI_GETDRAGFULLWINDOWS 0x0026
#define SPI_GETMENUANIMATION 0x1002
#define SPI_GETKEYBOARDCUES 0x100A
// SPI_GETWORKAREA: the primary monitor's work area into the RECT at `param`.
BOOL SystemParametersInfoW(UINT action, UINT uiParam, LPVOID param, UINT winIni);
#define SystemParametersInfoA SystemParametersInfoW
#define SystemParametersInfo SystemParametersInfoW

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CYVTHUMB 9
#define SM_CXHTHUMB 10
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXCURSOR 13
#define SM_CYCURSOR 14
#define SM_CYMENU 15
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17
#define SM_CYVSCROLL 20
#define SM_CXHSCROLL 21
#define SM_CXMIN 28
#define SM_CYMIN 29
#define SM_CXSIZE 30
#define SM_CYSIZE 31
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXMINTRACK 34
#define SM_CYMINTRACK 35
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_CXFIXEDFRAME SM_CXDLGFRAME
#define SM_CYFIXEDFRAME SM_CYDLGFRAME
#define SM_CXSIZEFRAME SM_CXFRAME
#define SM_CYSIZEFRAME SM_CYFRAME
#define SM_CXEDGE 45
#define SM_CYEDGE 46
#define SM_CXSMICON 49
#define SM_CYSMICON 50
#define SM_CYSMCAPTION 51
#define SM_CXMAXTRACK 59
#define SM_CYMAXTRACK 60
#define SM_CXMAXIMIZED 61
#define SM_CYMAXIMIZED 62
#define SM_CXDRAG 68
#define SM_CYDRAG 69
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79
#define SM_CMONITORS 80
// Metrics of the classic look at 96 dots per inch: caption 19, borders 1, dialog frame 3,
// sizing frame 4, client edge 2, scroll bars 16, menu bar 19.
int GetSystemMetrics(int index);

#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_DESKTOP 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_3DFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_3DSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DHILIGHT 20
#define COLOR_3DHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_HOTLIGHT 26
#define COLOR_GRADIENTACTIVECAPTION 27
#define COLOR_GRADIENTINACTIVECAPTION 28
#define COLOR_MENUHILIGHT 29
#define COLOR_MENUBAR 30
// The standard colours of the classic scheme (button face 0xC0C0C0 grey, highlight navy ...).
DWORD GetSysColor(int index);
// A brush of that colour that belongs to the system (never deleted).
HBRUSH GetSysColorBrush(int index);
BOOL SetSysColors(int count, const int* indexes, const COLORREF* values);

namespace nux::ui {

struct MonitorSpec {
  RECT monitor;  // screen coordinates
  RECT work;     // inside monitor
};

// Replaces the monitor layout; the first entry is the primary monitor. An empty list restores
// the default. Monitor handles of the previous layout stop being valid.
void SetMonitors(const std::vector<MonitorSpec>& monitors);
std::vector<MonitorSpec> GetMonitors();
// Back to one monitor of 1280 x 1024 with a 40-pixel task bar at the bottom.
void ResetMonitors();

}  // namespace nux::ui
