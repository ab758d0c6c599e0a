// The few Win32 types that the application's and the graphics object's interfaces name, declared exactly as
// <windows.h> declares them (64-bit, STRICT handles), so that a file reaching the application through its
// accessors does not compile all of Win32. Files that call Win32 include <windows.h> themselves.
#pragma once

struct HWND__;
struct HINSTANCE__;
typedef HWND__* HWND;
typedef HINSTANCE__* HINSTANCE;
typedef unsigned int UINT;
typedef unsigned long long WPARAM;
typedef long long LPARAM;
typedef long long LRESULT;
