// The Win32 subset that the saver's shell uses, with Win32's own names, types and values,
// implemented on Linux (SDL2 for windows, POSIX for clocks and files). Only what the saver
// calls is declared here; add a declaration when a subsystem needs it.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- basic types -------------------------------------------------------------------------
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef int32_t INT;
typedef uint32_t ULONG;
typedef float FLOAT;
typedef int32_t HRESULT;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;
typedef BYTE* LPBYTE;
typedef const BYTE* LPCBYTE;
typedef DWORD* LPDWORD;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef LONG_PTR LRESULT;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef DWORD REGSAM;
typedef LONG LSTATUS;

typedef union _LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    int64_t QuadPart;
} LARGE_INTEGER;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define S_OK ((HRESULT)0L)
#define S_FALSE ((HRESULT)1L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define MAX_PATH 260

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

// A window is a platform object; its contents are private to the stand-in.
struct HWND__;
typedef HWND__* HWND;

// ---- windows -----------------------------------------------------------------------------
BOOL GetClientRect(HWND hWnd, LPRECT lpRect);

#define SW_HIDE 0
#define SW_SHOW 5
BOOL ShowWindow(HWND hWnd, int nCmdShow);
// Returns the window that had the keyboard focus before (null if none).
HWND SetFocus(HWND hWnd);

// ---- message box -------------------------------------------------------------------------
#define MB_OK 0x00000000L
#define MB_ICONWARNING 0x00000030L
#define IDOK 1
// Modal, as Win32's: until it is dismissed the thread's windows get their messages, paints
// included, from the box's own loop. Shown through SDL; without a display (or with
// ZARN_NO_MESSAGE_BOX=1) the caption and text go to stderr and the box counts as dismissed
// at once, after the messages already waiting and one paint. Returns IDOK, or 0 when the
// quit message ended it (the quit stays posted for the caller's loop).
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

// ---- registry ----------------------------------------------------------------------------
struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;

#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L

#define REG_NONE 0
#define REG_SZ 1
#define REG_BINARY 3
#define REG_DWORD 4

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                        LPDWORD lpdwDisposition);
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData);
LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                       DWORD cbData);
LSTATUS RegCloseKey(HKEY hKey);

// ---- clocks ------------------------------------------------------------------------------
DWORD GetTickCount();
BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);
void Sleep(DWORD dwMilliseconds);

// ---- console and debugger output ---------------------------------------------------------
// The console is the process's stderr; AllocConsole only says whether one was already there.
BOOL AllocConsole();
// Debugger output goes to stderr when ZARN_DEBUG_OUTPUT=1, and nowhere otherwise.
void OutputDebugStringA(LPCSTR lpOutputString);

// ---- local time (the C runtime's 64-bit time calls and Win32's GetLocalTime) ------------
// Tests and tools can pin these to a chosen instant through ZarnTimeOverride.h.
#include <ctime>
typedef int64_t __time64_t;
typedef int errno_t;

__time64_t _time64(__time64_t* destTime);
// EINVAL for a null record; EINVAL with every field set to -1 for a null or negative time.
errno_t _localtime64_s(struct tm* tmDest, const __time64_t* sourceTime);
__time64_t _mktime64(struct tm* timeptr);

// The time and its milliseconds from one reading of the clock, so the two always agree.
struct __timeb64 {
    __time64_t time;
    unsigned short millitm;
    short timezone;  // minutes west of UTC
    short dstflag;
};
errno_t _ftime64_s(struct __timeb64* timeptr);

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *LPSYSTEMTIME;

void GetLocalTime(LPSYSTEMTIME lpSystemTime);

// ---- window classes, windows and the message queue ---------------------------------------
// Back end: SDL2 windows (or off-screen ones); see win32/messages/ for the queue and paint rules.
#define CALLBACK
#define WINAPI
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
struct HICON__;
typedef HICON__* HICON;
typedef HICON HCURSOR;
struct HBRUSH__;
typedef HBRUSH__* HBRUSH;
struct HMENU__;
typedef HMENU__* HMENU;
struct HDC__;
typedef HDC__* HDC;
typedef void* HGDIOBJ;
typedef WORD ATOM;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020

#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_EX_TOPMOST 0x00000008L

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_SETCURSOR 0x0020
#define WM_POWER 0x0048
#define WM_HELP 0x0053
#define WM_CONTEXTMENU 0x007B
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_POWERBROADCAST 0x0218
#define WM_USER 0x0400

#define SC_NEXTWINDOW 0xF040
#define SC_PREVWINDOW 0xF050
#define SC_SCREENSAVE 0xF140
#define SC_MONITORPOWER 0xF170
#define PWR_CRITICALRESUME 3
#define PBT_APMSUSPEND 0x0004
#define PBT_APMRESUMESUSPEND 0x0007
#define PBT_APMPOWERSTATUSCHANGE 0x000A

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79

#define WHITE_BRUSH 0
#define BLACK_BRUSH 4

#define MAKELPARAM(l, h) ((LPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h) << 16)))
#define LOWORD(l) ((WORD)(((UINT_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((UINT_PTR)(l)) >> 16) & 0xffff))

ATOM RegisterClassA(const WNDCLASSA* lpWndClass);
HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
BOOL DestroyWindow(HWND hWnd);
BOOL IsWindow(HWND hWnd);
HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName);
BOOL SetForegroundWindow(HWND hWnd);
HWND GetForegroundWindow();
HWND GetParent(HWND hWnd);
// Windows here have no frame, so a window's rectangle is its client area (in screen
// coordinates); also answers for a foreign X window given by its id (a preview host's).
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL ValidateRect(HWND hWnd, const RECT* lpRect);
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL TranslateMessage(const MSG* lpMsg);
LRESULT DispatchMessageA(const MSG* lpMsg);
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int nExitCode);

// Waits until the timeout has passed or something of dwWakeMask's kinds arrives for the
// thread's windows: input and window events (SDL's), posted messages, the quit. No kernel
// objects exist here, so nCount must be 0. A paint is never waited for: it is always due.
typedef void* HANDLE;
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED 0xFFFFFFFFu
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_SENDMESSAGE 0x0040
#define QS_RAWINPUT 0x0400
#define QS_TOUCH 0x0800
#define QS_POINTER 0x1000
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY | QS_RAWINPUT | QS_TOUCH | QS_POINTER)
DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll, DWORD dwMilliseconds,
                                DWORD dwWakeMask);

int ShowCursor(BOOL bShow);
BOOL GetCursorPos(LPPOINT lpPoint);
BOOL SetCursorPos(int X, int Y);
int GetSystemMetrics(int nIndex);

HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
HGDIOBJ GetStockObject(int i);
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);

BOOL SetCurrentDirectoryA(LPCSTR lpPathName);

// ---- dialogs, fonts, class cursors, shell "open" ----------------------------------------
#include "WinUserDialog.h"

// Only the program itself (a null module) is known: its file, read from /proc/self/exe. A
// buffer too small gets as much as fits, terminated, and the answer nSize, as on Windows XP+.
typedef HINSTANCE HMODULE;
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

// ---- power -------------------------------------------------------------------------------
#define AC_LINE_OFFLINE 0x00
#define AC_LINE_ONLINE 0x01
#define AC_LINE_UNKNOWN 0xFF

typedef struct _SYSTEM_POWER_STATUS {
    BYTE ACLineStatus;
    BYTE BatteryFlag;
    BYTE BatteryLifePercent;
    BYTE SystemStatusFlag;
    DWORD BatteryLifeTime;
    DWORD BatteryFullLifeTime;
} SYSTEM_POWER_STATUS, *LPSYSTEM_POWER_STATUS;

// ACLineStatus from the kernel's AC adapters (power_supply devices of type "Mains"): online
// when one is, offline when all are not, unknown (0xFF) when there is none. The battery
// fields are "unknown" (0xFF, or 0xFFFFFFFF for the times). While a window exists, a change
// arrives at every top-level window as WM_POWERBROADCAST / PBT_APMPOWERSTATUSCHANGE, and
// logind's sleep notices as PBT_APMSUSPEND / PBT_APMRESUMESUSPEND.
BOOL GetSystemPowerStatus(LPSYSTEM_POWER_STATUS lpSystemPowerStatus);
