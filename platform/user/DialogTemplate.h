// Dialog templates: a builder that writes the binary DLGTEMPLATE or DLGTEMPLATEEX that Win32's
// dialog calls take, so that a template reads in code as it would in a resource script, and the
// reader that the dialog manager uses to take a template apart again.
//
//   DialogTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 0, 179, 71, "游戏")
//       .Font("宋体", 9)
//       .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 39, 46, 50, 18)
//       .Register(143);
//
// Positions and sizes are in dialog units. Texts are GBK and stored as UTF-16, as Win32 keeps
// them. The six predefined control classes ("Button", "Edit", "Static", "ListBox", "ScrollBar",
// "ComboBox", any case) are written as their class ordinals 0x0080 to 0x0085, as the resource
// compiler writes them; other class names are written as strings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

// Dialog styles.
#define DS_ABSALIGN 0x01L
#define DS_SYSMODAL 0x02L
#define DS_3DLOOK 0x0004L
#define DS_FIXEDSYS 0x0008L
#define DS_NOFAILCREATE 0x0010L
#define DS_LOCALEDIT 0x20L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_NOIDLEMSG 0x100L
#define DS_SETFOREGROUND 0x200L
#define DS_CONTROL 0x0400L
#define DS_CENTER 0x0800L
#define DS_CENTERMOUSE 0x1000L
#define DS_CONTEXTHELP 0x2000L
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

#pragma pack(push, 2)
struct DLGTEMPLATE {
  DWORD style;
  DWORD dwExtendedStyle;
  WORD cdit;
  short x;
  short y;
  short cx;
  short cy;
};
struct DLGITEMTEMPLATE {
  DWORD style;
  DWORD dwExtendedStyle;
  short x;
  short y;
  short cx;
  short cy;
  WORD id;
};
#pragma pack(pop)
typedef DLGTEMPLATE* LPDLGTEMPLATEA;
typedef const DLGTEMPLATE* LPCDLGTEMPLATEA;
typedef LPCDLGTEMPLATEA LPCDLGTEMPLATE;
static_assert(sizeof(DLGTEMPLATE) == 18, "DLGTEMPLATE keeps its binary size");
static_assert(sizeof(DLGITEMTEMPLATE) == 18, "DLGITEMTEMPLATE keeps its binary size");

class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short x, short y, short cx, short cy, const std::string& caption = "");

  // Sets DS_SETFONT and the font. Weight, italics and character set are written only to an
  // extended template.
  DialogTemplate& Font(const std::string& face, WORD pointSize, WORD weight = 400, bool italic = false,
                       BYTE charSet = 1);
  DialogTemplate& ExStyle(DWORD exStyle);
  // Writes a DLGTEMPLATEEX (with its help ids) instead of a DLGTEMPLATE.
  DialogTemplate& Extended(DWORD helpId = 0);
  DialogTemplate& Menu(WORD id);
  DialogTemplate& Menu(const std::string& name);
  // The dialog's own window class instead of "#32770".
  DialogTemplate& ClassName(const std::string& name);

  // A control. WS_CHILD | WS_VISIBLE are added, as the resource compiler adds them.
  DialogTemplate& Add(const std::string& className, const std::string& text, int id, DWORD style, short x,
                      short y, short cx, short cy, DWORD exStyle = 0, DWORD helpId = 0);
  // A control whose text is a resource number (an icon of an SS_ICON static, for example).
  DialogTemplate& AddWithOrdinal(const std::string& className, WORD textOrdinal, int id, DWORD style, short x,
                                 short y, short cx, short cy, DWORD exStyle = 0);
  // Clears WS_VISIBLE of the last control added (a control that starts hidden).
  DialogTemplate& Hidden();
  // Creation data of the last control added, handed to it in CREATESTRUCT::lpCreateParams.
  DialogTemplate& Data(const std::vector<BYTE>& data);

  std::vector<BYTE> Bytes() const;
  // Registers the bytes as the RT_DIALOG resource with this number.
  bool Register(WORD id) const;

 private:
  struct Item {
    std::string className;
    std::string text;
    std::optional<WORD> textOrdinal;
    DWORD id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD helpId = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::vector<BYTE> data;
  };

  DWORD m_style;
  DWORD m_exStyle = 0;
  short m_x, m_y, m_cx, m_cy;
  std::string m_caption;
  std::string m_face;
  WORD m_pointSize = 0;
  WORD m_weight = 400;
  bool m_italic = false;
  BYTE m_charSet = 1;
  bool m_extended = false;
  DWORD m_helpId = 0;
  std::optional<WORD> m_menuOrdinal;
  std::string m_menuName;
  std::string m_className;
  std::vector<Item> m_items;
};

namespace platform {

// A template taken apart; texts and names converted to GBK. A name given by number has its
// number set and an empty text.
struct ParsedDialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  DWORD helpId = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  WORD classOrdinal = 0;
  std::string className;
  WORD textOrdinal = 0;
  std::string text;
  std::vector<BYTE> data;
};
struct ParsedDialog {
  bool extended = false;
  DWORD helpId = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  WORD menuOrdinal = 0;
  std::string menuName;
  WORD classOrdinal = 0;
  std::string className;
  std::string caption;
  bool hasFont = false;
  WORD pointSize = 0;
  WORD weight = 400;
  bool italic = false;
  BYTE charSet = 1;
  std::string face;
  std::vector<ParsedDialogItem> items;
};

// Reads a template of at most `size` bytes. False when it is cut short or malformed (a count
// of items beyond the bytes, a string without its terminator, a wrong signature).
bool ParseDialogTemplate(const BYTE* bytes, size_t size, ParsedDialog& out);

// The class name of a predefined control ordinal (0x0080 "Button" ... 0x0085 "ComboBox"), or
// null.
const char* PredefinedClassName(WORD ordinal);

}  // namespace platform
