// CWinApp, the one application object, and the program's entry into the class library.
//
// The program defines one global object of a CWinApp-derived class; its main function calls
// AfxWinMain, which runs InitInstance, then (when InitInstance succeeded) the message loop Run,
// and ExitInstance in either case, and returns the exit code.
#pragma once

#include <string>

#include "platform/mfc/List.h"
#include "platform/mfc/String.h"
#include "platform/mfc/WinThread.h"

class CCommandLineInfo;
class CDocTemplate;

// The application's document templates, deleted with the application (the document layer
// defines the destructor).
struct AfxDocTemplateList {
  AfxDocTemplateList() = default;
  ~AfxDocTemplateList();
  AfxDocTemplateList(const AfxDocTemplateList&) = delete;
  AfxDocTemplateList& operator=(const AfxDocTemplateList&) = delete;
  CPtrList templates;  // CDocTemplate*, in the order added
};

class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)

 public:
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitApplication() { return TRUE; }
  // Begins (1), ends (-1) or restores (0) the wait cursor (AfxDoWaitCursor).
  virtual void DoWaitCursor(int nCode);
  BOOL InitInstance() override { return TRUE; }
  int ExitInstance() override;
  int Run() override;
  BOOL OnIdle(LONG lCount) override;

  // Document/view: the templates, File New (a new document from the first template), and the
  // command line as a shell command (FileNew, FileNothing; opening files is not offered).
  void AddDocTemplate(CDocTemplate* pTemplate);
  POSITION GetFirstDocTemplatePosition() const;
  CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
  afx_msg void OnFileNew();
  void ParseCommandLine(CCommandLineInfo& rCmdInfo);
  BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
  AfxDocTemplateList m_docTemplates;

  LPCTSTR m_pszAppName = nullptr;
  HINSTANCE m_hInstance = nullptr;
  LPTSTR m_lpCmdLine = nullptr;
  int m_nCmdShow = 1;  // SW_SHOWNORMAL

 private:
  CString m_strAppName;
  CString m_strCmdLine;
  friend int AFXAPI AfxWinMain(HINSTANCE, HINSTANCE, LPTSTR, int);
};

// The application object, or null before it is constructed.
CWinApp* AFXAPI AfxGetApp();
// The program's module and resource handles: one fixed value, as the program is one module.
HINSTANCE AFXAPI AfxGetInstanceHandle();
HINSTANCE AFXAPI AfxGetResourceHandle();
// Runs the application object (see above) on the calling thread; lpCmdLine is the command line
// without the program name. Returns the exit code (WM_QUIT's wParam by default).
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
// The command line of main's arguments without the program name, as GetCommandLineA gives it: one
// argument as it stands; several separated by single spaces, each that is empty or holds a space
// or tab in double quotes.
std::string AfxMakeCommandLine(int argc, char** argv);

// Message boxes belong to the dialog layer, which installs the function that shows them. Until
// then AfxMessageBox traces the text and answers 0.
typedef int (*AFX_MESSAGE_BOX)(LPCTSTR lpszText, UINT nType, UINT nIDHelp);
void AfxSetMessageBox(AFX_MESSAGE_BOX pfn);
int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType = 0 /* MB_OK */, UINT nIDHelp = 0);
// The text is the string of that id (CString::LoadString).
int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType = 0 /* MB_OK */, UINT nIDHelp = (UINT)-1);
