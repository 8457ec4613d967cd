// SetCurrentDirectoryA: the saver resolves every data path against its install directory.
#include <windows.h>

#include <unistd.h>

BOOL SetCurrentDirectoryA(LPCSTR lpPathName) {
    if (!lpPathName) return FALSE;
    return chdir(lpPathName) == 0 ? TRUE : FALSE;
}
