// CReportListCtrl: the report-style list of the player pane and the record lists. Columns come
// from one '|'-separated text of (title, width, format) triples; a column is found by its title in
// that text, a row by its item data; the owner may lock columns against resizing by writing
// m_columnLocks directly. Its header is a CSortHeaderCtrl.
#pragma once

#include <string>
#include <vector>

#include "controls/SortHeaderCtrl.h"
#include "platform/mfc/CommonControls.h"

#define REPORT_MAX_COLUMNS 1024

// One column of InsertColumns: its title and its width as decimal text.
struct ReportColumnPair {
  LPCTSTR title;
  LPCTSTR width;
};

class CReportListCtrl : public CListCtrl {
 public:
  CReportListCtrl();

  void SetColumnSpec(LPCTSTR columns);
  // Returns the number of columns inserted.
  int BuildColumns();
  int InsertColumnsFromStrings(int count, LPCTSTR* fields);
  int InsertColumns(int count, const ReportColumnPair* pairs);
  void DeleteAllColumns();
  int FindColumn(LPCTSTR name) const;
  int FindItemByData(DWORD value) const;
  int ClearSelection();
  void AddExtendedStyle(DWORD style);
  BOOL IsColumnLocked(int column) const;

  CSortHeaderCtrl m_header;
  std::string m_columnSpec;
  unsigned char m_columnLocks[REPORT_MAX_COLUMNS];

 protected:
  void PreSubclassWindow() override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  DECLARE_MESSAGE_MAP()

 private:
  void AttachHeader();
};
