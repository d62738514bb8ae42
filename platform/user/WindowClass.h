// Window classes. Classes are kept per process in one name space: the module instance given at
// registration is stored and reported but does not separate classes, because this program is one
// module. Names compare without regard to ASCII case, as Win32 class names do; a class may be
// named by the atom RegisterClass returned (MAKEINTATOM).
#pragma once

#include <memory>
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

ATOM RegisterClassA(const WNDCLASSA* wc);
ATOM RegisterClassExA(const WNDCLASSEXA* wc);
// Fails with ERROR_CLASS_HAS_WINDOWS while a window of the class exists.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, LPWNDCLASSA wc);
// Returns the class atom on success.
BOOL GetClassInfoExA(HINSTANCE instance, LPCSTR className, LPWNDCLASSEXA wc);
int GetClassNameA(HWND hwnd, LPSTR buffer, int maxCount);

#define RegisterClass RegisterClassA
#define RegisterClassEx RegisterClassExA
#define UnregisterClass UnregisterClassA
#define GetClassInfo GetClassInfoA
#define GetClassInfoEx GetClassInfoExA
#define GetClassName GetClassNameA

namespace platform {

struct ClassRecord;
// The class named by a name or an atom, or null. Under the lock.
std::shared_ptr<ClassRecord> FindClassRecord(LPCSTR className);
bool ClassNameEquals(const std::string& a, const char* b);

}  // namespace platform
