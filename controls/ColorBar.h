// CColorBar: the busy indicator of the wait dialog. Six bands of colour, the pure colour in band
// 3 fading towards a second colour on both sides, rotated one band per timer tick.
#pragma once

#include "platform/mfc/Controls.h"
#include "platform/mfc/GdiObject.h"

#define COLORBAR_BANDS 6
#define COLORBAR_TIMER 1

class CColorBar : public CStatic {
 public:
  CColorBar();
  ~CColorBar() override;

  void SetColors(COLORREF first, COLORREF second);
  void Start(UINT period);
  void Stop();
  void Draw();
  // One timer tick's rotation of the band colours.
  void Rotate();

  // The band colours of a pure band p fading from `first` towards `second`.
  static void ComputeBands(COLORREF first, COLORREF second, int pureBand, COLORREF bands[COLORBAR_BANDS]);

  COLORREF GetBandColor(int band) const { return band >= 0 && band < COLORBAR_BANDS ? m_bands[band] : 0; }

  COLORREF m_bands[COLORBAR_BANDS];
  COLORREF m_first = 0;
  COLORREF m_second = RGB(0xFF, 0xFF, 0xFF);
  CBrush m_brushes[COLORBAR_BANDS];
  BOOL m_horizontal = TRUE;
  BOOL m_rotateRight = TRUE;
  int m_pureBand = 3;
  int m_redStep = 0;
  int m_greenStep = 0;
  int m_blueStep = 0;

 protected:
  afx_msg void OnPaint();
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

 private:
  void RebuildBrushes();
};
