#include "platform/web/WebBrowser.h"

#include <litehtml/litehtml.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/base/Gbk.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/inet/HttpGet.h"
#include "platform/user/Resources.h"
#include "platform/user/User.h"
#include "platform/user/controls/Controls.h"
#include "platform/web/MasterStyle.h"

namespace platform::web {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  const size_t n = std::char_traits<char>::length(prefix);
  return s.size() >= n && Lower(s.substr(0, n)) == prefix;
}

std::string HtmlEscape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// Pages that declare a Chinese character set are turned into UTF-8 for the layout engine; every
// other page is taken as UTF-8.
std::string ToUtf8(const std::string& body, const std::string& contentType) {
  std::string head = Lower(contentType + " " + body.substr(0, std::min<size_t>(body.size(), 1024)));
  for (const char* name : {"charset=gb2312", "charset=gbk", "charset=gb18030", "charset=\"gb2312\"",
                           "charset=\"gbk\""}) {
    if (head.find(name) != std::string::npos) return GbkToUtf8(body);
  }
  return body;
}

std::wstring Wide(const char* utf8) {
  std::wstring out;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    unsigned c = *p++;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) c &= 0x3Fu >> extra;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        c = 0xFFFD;
        break;
      }
      c = (c << 6) | (*p++ & 0x3F);
    }
    out += static_cast<wchar_t>(c);
  }
  return out;
}

litehtml::context& MasterContext() {
  static litehtml::context* context = [] {
    auto* c = new litehtml::context;
    c->load_master_stylesheet(MASTER_STYLE);
    return c;
  }();
  return *context;
}

COLORREF Colour(const litehtml::web_color& c) { return RGB(c.red, c.green, c.blue); }

void FillBox(HDC dc, int x, int y, int w, int h, COLORREF colour) {
  if (w <= 0 || h <= 0) return;
  RECT rc{x, y, x + w, y + h};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
}

WebResource DefaultFetch(const std::string& url, const std::string* post) {
  WebResource res;
  if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) return res;
  std::string type;
  HttpGetResult got = HttpFetch(url, post, &type);
  res.ok = got.ok;
  res.status = got.status;
  res.body = std::move(got.body);
  res.contentType = std::move(type);
  return res;
}

// The path a file: address names, or empty when it is not a local file address.
std::string FilePath(const std::string& url) {
  if (!StartsWithNoCase(url, "file:")) return {};
  std::string rest = url.substr(5);
  if (rest.rfind("//", 0) == 0) {
    rest = rest.substr(2);
    // Only the local host: "file:///path" or "file://localhost/path".
    if (StartsWithNoCase(rest, "localhost/")) rest = rest.substr(9);
    if (rest.empty() || rest[0] != '/') return {};
  }
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '?' || rest[i] == '#') break;
    if (rest[i] == '%' && i + 2 < rest.size() && std::isxdigit(static_cast<unsigned char>(rest[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(rest[i + 2]))) {
      path += static_cast<char>(std::stoi(rest.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      path += rest[i];
    }
  }
  return path;
}

}  // namespace

// The layout engine's drawing and loading callbacks: fonts and text through the drawing layer,
// pictures fetched and decoded once per address.
class WebBrowser::Painter : public litehtml::document_container {
 public:
  explicit Painter(WebBrowser* owner) : m_owner(owner), m_measure(CreateCompatibleDC(nullptr)) {}
  ~Painter() {
    m_document.reset();
    for (auto& [url, bitmap] : m_images) {
      if (bitmap.handle) DeleteObject(bitmap.handle);
    }
    DeleteDC(m_measure);
  }

  litehtml::document::ptr m_document;
  std::string m_base;
  std::string m_clicked;
  HDC m_dc = nullptr;
  int m_width = 0;
  int m_height = 0;

  litehtml::uint_ptr create_font(const litehtml::tchar_t* faceName, int size, int weight, litehtml::font_style italic,
                                 unsigned int decoration, litehtml::font_metrics* fm) override {
    std::string face = faceName ? faceName : "";
    if (size_t comma = face.find(','); comma != std::string::npos) face.resize(comma);
    face.erase(std::remove(face.begin(), face.end(), '\''), face.end());
    face.erase(std::remove(face.begin(), face.end(), '"'), face.end());
    while (!face.empty() && face.front() == ' ') face.erase(face.begin());
    while (!face.empty() && face.back() == ' ') face.pop_back();
    std::string gbkFace = Utf8ToGbk(face);
    if (gbkFace.size() > 31) gbkFace.resize(31);
    HFONT font = CreateFontA(-size, 0, 0, 0, weight, italic == litehtml::fontStyleItalic,
                             (decoration & litehtml::font_decoration_underline) != 0,
                             (decoration & litehtml::font_decoration_linethrough) != 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             gbkFace.c_str());
    if (fm && font) {
      HGDIOBJ old = SelectObject(m_measure, font);
      TEXTMETRICA tm{};
      GetTextMetricsA(m_measure, &tm);
      SIZE x{};
      GetTextExtentPoint32A(m_measure, "x", 1, &x);
      SelectObject(m_measure, old);
      fm->ascent = tm.tmAscent;
      fm->descent = tm.tmDescent;
      fm->height = tm.tmHeight;
      fm->x_height = x.cy / 2;
      fm->draw_spaces = italic == litehtml::fontStyleItalic || decoration != 0;
    }
    return reinterpret_cast<litehtml::uint_ptr>(font);
  }
  void delete_font(litehtml::uint_ptr hFont) override { DeleteObject(reinterpret_cast<HFONT>(hFont)); }
  int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) override {
    std::wstring w = Wide(text);
    HGDIOBJ old = SelectObject(m_measure, reinterpret_cast<HFONT>(hFont));
    SIZE sz{};
    GetTextExtentPoint32W(m_measure, w.c_str(), static_cast<int>(w.size()), &sz);
    SelectObject(m_measure, old);
    return sz.cx;
  }
  void draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                 litehtml::web_color color, const litehtml::position& pos) override {
    HDC dc = reinterpret_cast<HDC>(hdc);
    std::wstring w = Wide(text);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(hFont));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Colour(color));
    TextOutW(dc, pos.x, pos.y, w.c_str(), static_cast<int>(w.size()));
    SelectObject(dc, old);
  }
  int pt_to_px(int pt) const override { return pt * 96 / 72; }
  int get_default_font_size() const override { return 12; }
  const litehtml::tchar_t* get_default_font_name() const override { return "SimSun"; }
  void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override {
    HDC dc = reinterpret_cast<HDC>(hdc);
    const int side = std::max(2, marker.pos.width / 2);
    FillBox(dc, marker.pos.x + (marker.pos.width - side) / 2, marker.pos.y + (marker.pos.height - side) / 2, side,
            side, Colour(marker.color));
  }
  void load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, bool) override {
    const std::string url = Resolve(baseurl && *baseurl ? baseurl : m_base, src ? src : "");
    if (m_images.count(url)) return;
    Picture& picture = m_images[url];
    WebResource res = m_owner->Fetch(url, nullptr);
    DecodedPicture decoded;
    if (!res.ok ||
        !DecodePictureBytes(reinterpret_cast<const BYTE*>(res.body.data()), res.body.size(), &decoded)) {
      return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = decoded.width;
    info.bmiHeader.biHeight = -decoded.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    picture.handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!picture.handle || !bits) return;
    std::copy(decoded.argb.begin(), decoded.argb.end(), static_cast<uint32_t*>(bits));
    picture.width = decoded.width;
    picture.height = decoded.height;
  }
  void get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, litehtml::size& sz) override {
    auto it = m_images.find(Resolve(baseurl && *baseurl ? baseurl : m_base, src ? src : ""));
    sz.width = it != m_images.end() ? it->second.width : 0;
    sz.height = it != m_images.end() ? it->second.height : 0;
  }
  void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override {
    HDC dc = reinterpret_cast<HDC>(hdc);
    if (bg.color.alpha > 0) {
      FillBox(dc, bg.clip_box.x, bg.clip_box.y, bg.clip_box.width, bg.clip_box.height, Colour(bg.color));
    }
    if (bg.image.empty()) return;
    auto it = m_images.find(Resolve(bg.baseurl.empty() ? m_base : bg.baseurl, bg.image));
    if (it == m_images.end() || !it->second.handle) return;
    const Picture& p = it->second;
    const int w = bg.image_size.width > 0 ? bg.image_size.width : p.width;
    const int h = bg.image_size.height > 0 ? bg.image_size.height : p.height;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, bg.clip_box.left(), bg.clip_box.top(), bg.clip_box.right(), bg.clip_box.bottom());
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, p.handle);
    SetStretchBltMode(dc, COLORONCOLOR);
    const bool repeatX = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_x;
    const bool repeatY = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_y;
    int x0 = bg.position_x, y0 = bg.position_y;
    if (repeatX) while (x0 > bg.clip_box.left()) x0 -= w;
    if (repeatY) while (y0 > bg.clip_box.top()) y0 -= h;
    for (int y = y0; y < bg.clip_box.bottom(); y += h) {
      for (int x = x0; x < bg.clip_box.right(); x += w) {
        StretchBlt(dc, x, y, w, h, mem, 0, 0, p.width, p.height, SRCCOPY);
        if (!repeatX || w <= 0) break;
      }
      if (!repeatY || h <= 0) break;
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    RestoreDC(dc, saved);
  }
  void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& b, const litehtml::position& pos, bool) override {
    HDC dc = reinterpret_cast<HDC>(hdc);
    auto visible = [](const litehtml::border& side) {
      return side.width > 0 && side.style != litehtml::border_style_none && side.style != litehtml::border_style_hidden;
    };
    if (visible(b.top)) FillBox(dc, pos.x, pos.y, pos.width, b.top.width, Colour(b.top.color));
    if (visible(b.bottom)) {
      FillBox(dc, pos.x, pos.bottom() - b.bottom.width, pos.width, b.bottom.width, Colour(b.bottom.color));
    }
    if (visible(b.left)) FillBox(dc, pos.x, pos.y, b.left.width, pos.height, Colour(b.left.color));
    if (visible(b.right)) {
      FillBox(dc, pos.right() - b.right.width, pos.y, b.right.width, pos.height, Colour(b.right.color));
    }
  }
  void set_caption(const litehtml::tchar_t* caption) override { m_owner->m_title = caption ? caption : ""; }
  void set_base_url(const litehtml::tchar_t* base_url) override {
    if (base_url && *base_url) m_base = Resolve(m_base, base_url);
  }
  void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
  void on_anchor_click(const litehtml::tchar_t* url, const litehtml::element::ptr&) override {
    // The document is still inside its own event handling here; the navigation runs after it.
    if (url && *url) m_clicked = Resolve(m_base, url);
  }
  void set_cursor(const litehtml::tchar_t*) override {}
  void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override {
    for (char& c : text) {
      if (tt == litehtml::text_transform_uppercase) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (tt == litehtml::text_transform_lowercase) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  void import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& baseurl) override {
    const std::string full = Resolve(baseurl.empty() ? m_base : baseurl, url);
    WebResource res = m_owner->Fetch(full, nullptr);
    text = res.ok ? res.body : std::string();
    baseurl = full;
  }
  void set_clip(const litehtml::position& pos, const litehtml::border_radiuses&, bool, bool) override {
    if (!m_dc) return;
    m_clips.push_back(SaveDC(m_dc));
    IntersectClipRect(m_dc, pos.left(), pos.top(), pos.right(), pos.bottom());
  }
  void del_clip() override {
    if (!m_dc || m_clips.empty()) return;
    RestoreDC(m_dc, m_clips.back());
    m_clips.pop_back();
  }
  void get_client_rect(litehtml::position& client) const override {
    client.x = 0;
    client.y = 0;
    client.width = m_width;
    client.height = m_height;
  }
  std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t*, const litehtml::string_map&,
                                                    const std::shared_ptr<litehtml::document>&) override {
    return nullptr;
  }
  void get_media_features(litehtml::media_features& media) const override {
    media.type = litehtml::media_type_screen;
    media.width = m_width;
    media.height = m_height;
    media.device_width = GetSystemMetrics(SM_CXSCREEN);
    media.device_height = GetSystemMetrics(SM_CYSCREEN);
    media.color = 8;
    media.monochrome = 0;
    media.color_index = 256;
    media.resolution = 96;
  }
  void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override {
    language = "zh";
    culture = "CN";
  }

 private:
  struct Picture {
    HBITMAP handle = nullptr;
    int width = 0;
    int height = 0;
  };
  WebBrowser* m_owner;
  HDC m_measure;
  std::map<std::string, Picture> m_images;
  std::vector<int> m_clips;
};

namespace {

LRESULT CALLBACK WebControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* browser = new WebBrowser(hwnd);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(browser));
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  WebBrowser* browser = WebBrowserFromWindow(hwnd);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    delete browser;
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  if (!browser) return DefWindowProcA(hwnd, message, wParam, lParam);
  return browser->WindowProc(message, wParam, lParam);
}

void RegisterWebControlClass() {
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WebControlProc;
    wc.lpszClassName = WEB_CONTROL_CLASS;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

HWND CreateWebControl(HWND parent, const RECT& rect, UINT id, DWORD style) {
  RegisterWebControlClass();
  return CreateWindowExA(0, WEB_CONTROL_CLASS, "", style | WS_VSCROLL, rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                         nullptr, nullptr);
}

WebBrowser* WebBrowserFromWindow(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd)) return nullptr;
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (std::string(name) != WEB_CONTROL_CLASS) return nullptr;
  return reinterpret_cast<WebBrowser*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

WebBrowser::WebBrowser(HWND hwnd) : m_hwnd(hwnd), m_fetcher(DefaultFetch), m_painter(std::make_unique<Painter>(this)) {}

WebBrowser::~WebBrowser() = default;

void WebBrowser::SetFetcher(WebFetcher fetcher) { m_fetcher = fetcher ? std::move(fetcher) : WebFetcher(DefaultFetch); }

void WebBrowser::AllowFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(folder, ec);
  if (!ec && !p.empty()) m_folders.push_back(p.string());
}

std::string WebBrowser::Resolve(const std::string& base, const std::string& url) {
  // An address with a scheme of its own is absolute.
  size_t colon = url.find(':');
  if (colon != std::string::npos && colon > 0 &&
      url.find_first_of("/?#") > colon &&
      std::all_of(url.begin(), url.begin() + static_cast<long>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
      })) {
    return url;
  }
  if (base.empty()) return url;
  const size_t schemeEnd = base.find("://");
  const std::string scheme = base.substr(0, base.find(':') + 1);
  if (url.rfind("//", 0) == 0) return scheme + url;
  const size_t pathStart = schemeEnd == std::string::npos ? base.find(':') + 1 : base.find('/', schemeEnd + 3);
  const std::string origin = pathStart == std::string::npos ? base : base.substr(0, pathStart);
  std::string basePath = pathStart == std::string::npos ? "/" : base.substr(pathStart);
  basePath = basePath.substr(0, basePath.find_first_of("?#"));
  if (url.empty()) return base;
  if (url[0] == '#' || url[0] == '?') return origin + basePath + url;
  std::string path = url[0] == '/' ? url : basePath.substr(0, basePath.rfind('/') + 1) + url;
  // Takes out "." and ".." segments of the path (its query stays as it is).
  const size_t queryAt = path.find_first_of("?#");
  std::string query = queryAt == std::string::npos ? "" : path.substr(queryAt);
  path = path.substr(0, queryAt);
  std::vector<std::string> parts;
  std::stringstream in(path);
  std::string part;
  while (std::getline(in, part, '/')) {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  if (out.empty() || path.back() == '/') out += "/";
  return origin + out + query;
}

WebResource WebBrowser::Fetch(const std::string& url, const std::string* post) {
  const std::string path = FilePath(url);
  if (!path.empty()) {
    WebResource res;
    std::error_code ec;
    std::filesystem::path real = std::filesystem::canonical(path, ec);
    if (ec) return res;
    const std::string r = real.string();
    const bool inside = std::any_of(m_folders.begin(), m_folders.end(), [&](const std::string& f) {
      return r.size() > f.size() && r.compare(0, f.size(), f) == 0 && (f.back() == '/' || r[f.size()] == '/');
    });
    if (!inside || !std::filesystem::is_regular_file(real, ec)) return res;
    std::ifstream file(real, std::ios::binary);
    std::ostringstream data;
    data << file.rdbuf();
    res.ok = static_cast<bool>(file);
    res.body = data.str();
    res.status = res.ok ? 200 : 0;
    return res;
  }
  if (StartsWithNoCase(url, "file:")) return {};
  return m_fetcher(url, post);
}

bool WebBrowser::Navigate(const std::string& url, const std::string& post) {
  bool cancel = false;
  if (m_events.beforeNavigate) m_events.beforeNavigate(url, post, &cancel);
  if (cancel) return false;
  m_busy = true;
  if (Lower(url) == "about:blank") {
    ShowPage(url, "<html><body></body></html>");
  } else {
    WebResource res = Fetch(url, post.empty() ? nullptr : &post);
    if (!res.ok) {
      m_busy = false;
      bool cancelError = false;
      if (m_events.navigateError) m_events.navigateError(url, res.status, &cancelError);
      if (!cancelError) ShowError(url, res.status);
      return true;
    }
    ShowPage(url, ToUtf8(res.body, res.contentType));
  }
  m_busy = false;
  if (m_events.documentComplete) m_events.documentComplete(url);
  return true;
}

void WebBrowser::LoadHtml(const std::string& url, const std::string& html) {
  ShowPage(url, html);
  if (m_events.documentComplete) m_events.documentComplete(url);
}

void WebBrowser::ShowPage(const std::string& url, const std::string& html) {
  m_url = url;
  m_title.clear();
  m_painter->m_base = url;
  m_painter->m_document.reset();
  m_scrollY = 0;
  m_painter->m_document = litehtml::document::createFromString(html.c_str(), m_painter.get(), &MasterContext());
  Layout();
}

void WebBrowser::ShowError(const std::string& url, long status) {
  std::string html =
      "<html><head><title>Navigation failed</title></head><body style=\"background:#ffffff;color:#000000\">"
      "<p style=\"font-size:14px;font-weight:bold\">This page cannot be shown.</p><p>" +
      HtmlEscape(url) + "</p>";
  if (status > 0) html += "<p>The server answered " + std::to_string(status) + ".</p>";
  html += "</body></html>";
  ShowPage(url, html);
}

void WebBrowser::Layout() {
  RECT rc{};
  GetClientRect(m_hwnd, &rc);
  m_painter->m_width = rc.right - rc.left;
  m_painter->m_height = rc.bottom - rc.top;
  if (m_painter->m_document) m_painter->m_document->render(std::max(1, m_painter->m_width));
  ScrollTo(m_scrollY);
  UpdateScrollBar();
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

int WebBrowser::DocumentHeight() const { return m_painter->m_document ? m_painter->m_document->height() : 0; }

void WebBrowser::ScrollTo(int y) {
  const int most = std::max(0, DocumentHeight() - m_painter->m_height);
  const int pos = std::clamp(y, 0, most);
  if (pos == m_scrollY) return;
  m_scrollY = pos;
  UpdateScrollBar();
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

void WebBrowser::UpdateScrollBar() {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = std::max(0, DocumentHeight() - 1);
  si.nPage = static_cast<UINT>(std::max(0, m_painter->m_height));
  si.nPos = m_scrollY;
  SetScrollInfo(m_hwnd, SB_VERT, &si, TRUE);
}

void WebBrowser::Paint() {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(m_hwnd, &ps);
  RECT rc{};
  GetClientRect(m_hwnd, &rc);
  FillBox(dc, 0, 0, rc.right, rc.bottom, RGB(255, 255, 255));
  if (m_painter->m_document) {
    m_painter->m_dc = dc;
    litehtml::position clip(0, 0, rc.right, rc.bottom);
    m_painter->m_document->draw(reinterpret_cast<litehtml::uint_ptr>(dc), 0, -m_scrollY, &clip);
    m_painter->m_dc = nullptr;
  }
  EndPaint(m_hwnd, &ps);
}

void WebBrowser::OnClick(int x, int y) {
  if (!m_painter->m_document) return;
  litehtml::position::vector redraw;
  m_painter->m_clicked.clear();
  m_painter->m_document->on_lbutton_down(x, y + m_scrollY, x, y, redraw);
  m_painter->m_document->on_lbutton_up(x, y + m_scrollY, x, y, redraw);
  std::string target = std::move(m_painter->m_clicked);
  m_painter->m_clicked.clear();
  if (!target.empty()) Navigate(target);
}

namespace {

void CollectLinks(const litehtml::element::ptr& el, std::vector<litehtml::element::ptr>& out) {
  if (!el) return;
  const char* tag = el->get_tagName();
  if (tag && std::string(tag) == "a" && el->get_attr("href")) out.push_back(el);
  for (size_t i = 0; i < el->get_children_count(); ++i) CollectLinks(el->get_child(static_cast<int>(i)), out);
}

std::string InnerText(const litehtml::element::ptr& el) {
  litehtml::tstring text;
  el->get_text(text);
  return text;
}

}  // namespace

std::vector<std::string> WebBrowser::LinkTexts() const {
  std::vector<litehtml::element::ptr> links;
  if (m_painter->m_document) CollectLinks(m_painter->m_document->root(), links);
  std::vector<std::string> texts;
  for (const auto& el : links) texts.push_back(InnerText(el));
  return texts;
}

int WebBrowser::ClickLinkByText(const std::string& text) {
  std::vector<litehtml::element::ptr> links;
  if (m_painter->m_document) CollectLinks(m_painter->m_document->root(), links);
  // The addresses are taken first: the first click may replace the document.
  std::vector<std::string> targets;
  for (const auto& el : links) {
    if (InnerText(el) == text) targets.push_back(Resolve(m_painter->m_base, el->get_attr("href")));
  }
  for (const std::string& url : targets) Navigate(url);
  return static_cast<int>(targets.size());
}

LRESULT WebBrowser::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_LBUTTONUP:
      OnClick(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return 0;
    case WM_MOUSEWHEEL:
      ScrollTo(m_scrollY - static_cast<short>(HIWORD(wParam)) * 40 / 120);
      return 0;
    case WM_VSCROLL: {
      const int page = std::max(16, m_painter->m_height - 16);
      switch (LOWORD(wParam)) {
        case SB_LINEUP: ScrollTo(m_scrollY - 16); break;
        case SB_LINEDOWN: ScrollTo(m_scrollY + 16); break;
        case SB_PAGEUP: ScrollTo(m_scrollY - page); break;
        case SB_PAGEDOWN: ScrollTo(m_scrollY + page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: ScrollTo(static_cast<short>(HIWORD(wParam))); break;
        case SB_TOP: ScrollTo(0); break;
        case SB_BOTTOM: ScrollTo(DocumentHeight()); break;
        default: break;
      }
      return 0;
    }
    default:
      return DefWindowProcA(m_hwnd, message, wParam, lParam);
  }
}

}  // namespace platform::web
