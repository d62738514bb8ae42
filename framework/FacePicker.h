// The pop-up grid from which the user picks a chat face: every face bitmap of the face folder
// ("<number>.bmp", number above 0) as a 24 x 24 image button with its remark from face.ini as
// tooltip. A click hides the grid and sends the face number to the owner as WM_CHAT_SEND_FACE.
#pragma once

#include <memory>

#include "controls/ImageButton.h"
#include "platform/mfc/Afx.h"
#include "platform/mfc/CommonControls.h"

#define WM_CHAT_SEND_FACE 0x85B7
#define FACE_PICKER_MAX 256

class CFacePicker : public CWnd {
 public:
  CFacePicker();
  ~CFacePicker() override;

  void SetOwner(CWnd* owner) { m_owner = owner; }
  void SetFaceFolder(LPCSTR folder) { m_faceFolder = folder ? folder : ""; }
  const CString& GetFaceFolder() const { return m_faceFolder; }
  void GetPickerSize(int& width, int& height) const;
  int GetFaceCount() const { return m_faceCount; }
  // The button of grid cell i, null past the faces loaded.
  CImageButton* GetFaceButton(int i) { return i >= 0 && i < m_faceCount ? &m_buttons[i] : nullptr; }

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnKillFocus(CWnd* pNewWnd);
  afx_msg void OnFace(UINT nID);
  DECLARE_MESSAGE_MAP()

  void LoadFaces();

  CWnd* m_owner = nullptr;
  CString m_faceFolder;
  CImageList m_images;
  int m_faceCount = 0;
  std::unique_ptr<CImageButton[]> m_buttons;
};
