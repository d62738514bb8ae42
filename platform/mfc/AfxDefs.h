// The class library's basic definitions: diagnostics (ASSERT, VERIFY, TRACE), list and map
// positions, and the decorations that its headers use.
#pragma once

#include "platform/base/WinTypes.h"

// Positions in lists and maps are opaque pointers; null ends an iteration.
struct __POSITION {};
typedef __POSITION* POSITION;
#define BEFORE_START_POSITION ((POSITION)-1L)

#define afx_msg
#define AFXAPI
#define AFX_CDECL
#define PASCAL
#define AFX_DATA
#define AFX_NOVTABLE
#define DEBUG_NEW new

// Reports a failed assertion on the standard error with its place; the program goes on, as it
// does after "ignore" in a debug build of the original library.
void AfxAssertFailedLine(LPCSTR lpszFileName, int nLine);
// TRACE output goes to the standard error only when the environment variable PXQD_TRACE is set;
// otherwise it is dropped.
void AfxTrace(LPCSTR lpszFormat, ...) __attribute__((format(printf, 1, 2)));

#ifdef NDEBUG
#define ASSERT(f) ((void)0)
#else
#define ASSERT(f) ((f) ? (void)0 : AfxAssertFailedLine(__FILE__, __LINE__))
#endif
#define VERIFY(f) ((f) ? (void)0 : AfxAssertFailedLine(__FILE__, __LINE__))
#define ASSERT_VALID(pOb) ((void)0)
#define ASSERT_POINTER(p, type) ASSERT((p) != nullptr)
#define TRACE AfxTrace
#define TRACE0(sz) AfxTrace("%s", sz)
#define TRACE1(sz, p1) AfxTrace(sz, p1)
#define TRACE2(sz, p1, p2) AfxTrace(sz, p1, p2)
#define TRACE3(sz, p1, p2, p3) AfxTrace(sz, p1, p2, p3)
