// The mahjong layer's bank bar: the framework's bar under a header picture named by the skin,
// its two buttons centred in narrow panes.
#pragma once

#include "framework/GameToolView.h"

#define IDD_MJ_TOOL_FORM 167
#define TOOL_BACK_COLOUR 0xFFFFF0

class CMJToolView : public CGameToolView {
  DECLARE_DYNCREATE(CMJToolView)

 public:
  CMJToolView();
  ~CMJToolView() override;

  void ReservedHook() override { LoadHeaderImage(); }
  // Loads the skin's header picture ([Headerbar] "Image" beside the skin.ini) in place of the
  // previous one; without one the bar shows its fill colour only.
  virtual void LoadHeaderImage();
  HBITMAP GetHeaderImage() const { return m_header; }

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  DECLARE_MESSAGE_MAP()

  HBITMAP m_header = nullptr;
};
