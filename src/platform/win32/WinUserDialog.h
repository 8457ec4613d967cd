// The Win32 dialog subset the settings dialog uses: modal dialogs from a template, the
// control calls, fonts, class cursors and the shell's "open" verb. Realised with GTK 3 (see
// dialog/); GTK is started only when a dialog is shown, never by the saver's own modes.
#pragma once

typedef intptr_t INT_PTR;
typedef uintptr_t ULONG_PTR;
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

struct HFONT__;
typedef HFONT__* HFONT;

#define MAKEINTRESOURCEA(i) ((LPSTR)(uintptr_t)((WORD)(i)))
#define IS_INTRESOURCE(r) ((((uintptr_t)(r)) >> 16) == 0)
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h) << 16)))

#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111

#define IDCANCEL 2

// Key and button state in the wParam of mouse messages.
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// Dialog item styles used by the templates.
#define WS_TABSTOP 0x00010000L
#define WS_GROUP 0x00020000L
#define WS_VSCROLL 0x00200000L
#define WS_CAPTION 0x00C00000L
#define WS_SYSMENU 0x00080000L
#define DS_MODALFRAME 0x80L
#define DS_SETFONT 0x40L
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_AUTOCHECKBOX 0x00000003L
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_BITMAP 0x0000000EL
#define SS_NOTIFY 0x00000100L
#define CBS_DROPDOWNLIST 0x0003L

// Notification codes in the high word of WM_COMMAND's wParam.
#define BN_CLICKED 0
#define CBN_SELCHANGE 1

#define CB_ERR (-1)
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_SETCURSEL 0x014E

#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001

// Returns -1 when the dialog cannot be shown (no template of that name, no display).
INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam);
BOOL EndDialog(HWND hDlg, INT_PTR nResult);
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck);
UINT IsDlgButtonChecked(HWND hDlg, int nIDButton);

// ---- fonts -------------------------------------------------------------------------------
#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define LF_FACESIZE 32

typedef struct tagLOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA;

HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                  DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName);
// Fonts only: fills a LOGFONTA and returns its size, 0 for anything else.
int GetObjectA(HGDIOBJ h, int c, LPVOID pv);

// ---- cursors and class data ----------------------------------------------------------------
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_HAND MAKEINTRESOURCEA(32649)
#define GCLP_HCURSOR (-12)

// The program's icon resources by number (any instance is the program); the same id
// always gives the same handle, null when there is no such icon.
HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
// The program's string table: copies at most cchBufferMax - 1 characters and a terminator;
// returns the number copied, 0 when there is no such string.
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

// System cursors only (hInstance null); the same name always gives the same handle.
HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName);
// Dialog windows only: their class's cursor, shown while the pointer is over any dialog.
ULONG_PTR SetClassLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
ULONG_PTR GetClassLongPtrA(HWND hWnd, int nIndex);

// ---- shell -------------------------------------------------------------------------------
#define SW_SHOWNORMAL 1
// "open" hands the file or address to xdg-open and returns at once; a value above 32 means
// the opener was started (not that it succeeded).
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                        INT nShowCmd);
