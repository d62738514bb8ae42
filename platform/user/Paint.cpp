#include "platform/user/Paint.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/base/RectUtil.h"
#include "platform/base/WinError.h"
#include "platform/gdi/DcInternal.h"
#include "platform/kernel/Module.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/NonClient.h"
#include "platform/user/UserState.h"
#include "platform/user/Window.h"

namespace platform {
namespace {

using gdi::Region;

struct PaintRecord {
  Region update;  // client coordinates
  bool erase = false;
  bool frame = false;
  bool active = false;  // the caption is drawn active (WM_NCACTIVATE)
};

// Everything here is guarded by UserLock().
struct PaintState {
  std::unordered_map<uint32_t, PaintRecord> records;
  std::unordered_map<uint32_t, std::shared_ptr<gdi::Surface>> surfaces;  // top-level windows
  std::unordered_map<HDC, HWND> dcs;                                     // DCs handed out
  std::unordered_map<uint32_t, LayeredLook> layered;                     // layered top-level windows
  HWND desktop = nullptr;
};

PaintState& Paint() {
  static PaintState* s = new PaintState;  // never destroyed: threads may outlive static teardown
  return *s;
}

std::mutex& SinkLock() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::shared_ptr<DisplaySink>& SinkObject() {
  static auto* s = new std::shared_ptr<DisplaySink>;
  return *s;
}

PaintRecord& RecordFor(HWND hwnd) { return Paint().records[HwndKey(hwnd)]; }

WindowRecord* RootOf(WindowRecord* w) {
  while (w && w->parent) {
    WindowRecord* p = FindWindowRecord(w->parent);
    if (!p) break;
    w = p;
  }
  return w;
}

// Screen position of a window's client origin and of its window origin.
POINT ClientOriginScreen(const WindowRecord* w) {
  POINT pt{0, 0};
  for (; w; w = FindWindowRecord(w->parent)) {
    pt.x += w->clientRect.left;
    pt.y += w->clientRect.top;
  }
  return pt;
}

POINT WindowOriginScreen(const WindowRecord* w) {
  POINT pt{w->windowRect.left, w->windowRect.top};
  if (const WindowRecord* p = FindWindowRecord(w->parent)) {
    POINT o = ClientOriginScreen(p);
    pt.x += o.x;
    pt.y += o.y;
  }
  return pt;
}

RECT ScreenWindowRect(const WindowRecord* w) {
  POINT o = WindowOriginScreen(w);
  return RECT{o.x, o.y, o.x + RectWidth(w->windowRect), o.y + RectHeight(w->windowRect)};
}

// The client rectangle relative to the window's top-left corner.
RECT ClientInWindow(const WindowRecord* w) {
  RECT c = w->clientRect;
  OffsetRect(&c, -w->windowRect.left, -w->windowRect.top);
  return c;
}

bool VisibleChain(const WindowRecord* w) {
  for (; w; w = FindWindowRecord(w->parent)) {
    if (!(w->style & WS_VISIBLE)) return false;
  }
  return true;
}

bool HasNonClient(const WindowRecord* w) {
  return !EqualRect(&w->clientRect, &w->windowRect);
}

// The point where a window's surface puts the screen point (0, 0): minus the root's corner.
POINT SurfaceShift(const WindowRecord* w) {
  const WindowRecord* root = RootOf(const_cast<WindowRecord*>(w));
  return POINT{-root->windowRect.left, -root->windowRect.top};
}

RECT ToSurface(RECT rc, POINT shift) {
  OffsetRect(&rc, shift.x, shift.y);
  return rc;
}

// Subtracts the window rectangles of the visible siblings above `w` from `rgn`.
void SubtractSiblingsAbove(const WindowRecord* w, Region& rgn, POINT shift) {
  const std::vector<HWND>& list = SiblingList(*w);
  for (HWND h : list) {
    if (h == w->hwnd) break;
    const WindowRecord* s = FindWindowRecord(h);
    if (!s || !(s->style & WS_VISIBLE)) continue;
    rgn = Region::Combine(rgn, Region(ToSurface(ScreenWindowRect(s), shift)), RGN_DIFF);
  }
}

// The visible region of a window in its top-level surface's coordinates; `windowArea` for a
// window DC.
Region VisibleRegion(const WindowRecord* w, bool windowArea) {
  if (!VisibleChain(w)) return Region();
  POINT shift = SurfaceShift(w);
  RECT area = ScreenWindowRect(w);
  if (!windowArea) {
    POINT o = ClientOriginScreen(w);
    area = RECT{o.x, o.y, o.x + RectWidth(w->clientRect), o.y + RectHeight(w->clientRect)};
  }
  Region rgn(ToSurface(area, shift));
  if (w->style & WS_CLIPCHILDREN) {
    for (HWND h : w->children) {
      const WindowRecord* c = FindWindowRecord(h);
      if (c && (c->style & WS_VISIBLE)) rgn = Region::Combine(rgn, Region(ToSurface(ScreenWindowRect(c), shift)), RGN_DIFF);
    }
  }
  for (const WindowRecord* p = w; p && p->parent; p = FindWindowRecord(p->parent)) {
    if (p->style & WS_CLIPSIBLINGS) SubtractSiblingsAbove(p, rgn, shift);
    const WindowRecord* parent = FindWindowRecord(p->parent);
    if (!parent) break;
    POINT o = ClientOriginScreen(parent);
    RECT pc{o.x, o.y, o.x + RectWidth(parent->clientRect), o.y + RectHeight(parent->clientRect)};
    rgn = rgn.Intersect(ToSurface(pc, shift));
  }
  return rgn;
}

std::shared_ptr<gdi::Surface> EnsureSurfaceLocked(WindowRecord* root) {
  auto& slot = Paint().surfaces[HwndKey(root->hwnd)];
  int width = std::max<LONG>(RectWidth(root->windowRect), 1);
  int height = std::max<LONG>(RectHeight(root->windowRect), 1);
  if (!slot || slot->Width() != width || slot->Height() != height) {
    auto s = std::make_shared<gdi::Surface>();
    if (!s->Allocate(width, height, 32, 4, false)) return nullptr;
    // A new surface starts in the face colour, so that nothing undefined shows before the
    // first paint.
    uint32_t face = gdi::ColorToPixel(GetSysColor(COLOR_BTNFACE)) | 0xFF000000u;
    for (int y = 0; y < height; ++y) std::fill_n(s->Row32(y), width, face);
    slot = s;
  }
  return slot;
}

bool IncludesChildren(const WindowRecord* w, UINT flags) {
  if (flags & RDW_ALLCHILDREN) return true;
  if (flags & RDW_NOCHILDREN) return false;
  return !(w->style & WS_CLIPCHILDREN);
}

// Adds to or takes from a window's update region; `rgn` is relative to the window's top-left
// corner. Returns the threads to wake.
void ChangeUpdateLocked(WindowRecord* w, const Region& rgn, UINT flags, std::vector<DWORD>& wake) {
  if (rgn.Empty()) return;
  PaintRecord& pr = RecordFor(w->hwnd);
  RECT client = ClientInWindow(w);
  Region clientPart = rgn.Intersect(client);
  clientPart.Offset(-client.left, -client.top);
  if (flags & RDW_INVALIDATE) {
    if (!clientPart.Empty()) {
      pr.update = Region::Combine(pr.update, clientPart, RGN_OR);
      if (flags & RDW_ERASE) pr.erase = true;
    }
    if ((flags & RDW_FRAME) && HasNonClient(w) && !Region::Combine(rgn, Region(client), RGN_DIFF).Empty()) {
      pr.frame = true;
    }
    wake.push_back(w->threadId);
  } else if (flags & RDW_VALIDATE) {
    pr.update = Region::Combine(pr.update, clientPart, RGN_DIFF);
    if (pr.update.Empty()) pr.erase = false;
    if (flags & RDW_NOFRAME) pr.frame = false;
  }
  if (!IncludesChildren(w, flags)) return;
  Region inClient = rgn.Intersect(client);
  for (HWND h : w->children) {
    WindowRecord* c = FindWindowRecord(h);
    if (!c || !(c->style & WS_VISIBLE)) continue;
    Region r = inClient;
    r.Offset(-client.left - c->windowRect.left, -client.top - c->windowRect.top);
    r = r.Intersect(RECT{0, 0, RectWidth(c->windowRect), RectHeight(c->windowRect)});
    ChangeUpdateLocked(c, r, flags | RDW_FRAME, wake);
  }
}

void Wake(std::vector<DWORD>& threads) {
  std::sort(threads.begin(), threads.end());
  threads.erase(std::unique(threads.begin(), threads.end()), threads.end());
  for (DWORD t : threads) WakeQueue(t, QS_PAINT);
}

// The whole window (RDW_FRAME) or client area as a region relative to the window's corner.
Region WholeArea(const WindowRecord* w, bool frame) {
  if (frame) return Region(RECT{0, 0, RectWidth(w->windowRect), RectHeight(w->windowRect)});
  return Region(ClientInWindow(w));
}

// Finds the first window of the thread, in painting order, that needs painting.
HWND FindWindowToPaint(const std::vector<HWND>& list, DWORD threadId, HWND filter) {
  for (HWND h : list) {
    WindowRecord* w = FindWindowRecord(h);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    if (w->threadId == threadId && (!filter || IsSelfOrDescendant(filter, h))) {
      auto it = Paint().records.find(HwndKey(h));
      if (it != Paint().records.end() && (!it->second.update.Empty() || it->second.frame)) return h;
    }
    if (HWND c = FindWindowToPaint(w->children, threadId, filter)) return c;
  }
  return nullptr;
}

const HWND THREAD_MESSAGES_ONLY = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

bool InFilter(UINT message, UINT first, UINT last) {
  if (first == 0 && last == 0) return true;
  if (first <= last) return message >= first && message <= last;
  return message >= first || message <= last;
}

bool PaintSource(DWORD threadId, HWND filter, UINT first, UINT last, bool, MSG* out) {
  if (filter == THREAD_MESSAGES_ONLY || !InFilter(WM_PAINT, first, last)) return false;
  auto lock = UserLock();
  HWND h = FindWindowToPaint(User().topLevel, threadId, filter);
  if (!h) return false;
  *out = MSG{h, WM_PAINT, 0, 0, MessageTickCount(), User().cursorPos};
  return true;
}

// Installs the WM_PAINT source the first time anything of the painting layer is used.
void EnsureInstalled() {
  static bool installed = (SetPaintMessageSource(&PaintSource), true);
  (void)installed;
}

void NotifySurface(HWND root, const RECT& rc) {
  if (IsRectEmpty(&rc)) return;
  if (auto sink = GetDisplaySink()) sink->SurfaceChanged(root, rc);
}

void NotifyTopLevel() {
  if (auto sink = GetDisplaySink()) sink->TopLevelChanged();
}

// Makes a DC for a window: over the visible region, or that region within `limit` (client
// coordinates of the window) when given. Under the lock.
HDC MakeWindowDcLocked(WindowRecord* w, bool windowArea, const Region* limit, Region* clipOut) {
  WindowRecord* root = RootOf(w);
  auto surface = EnsureSurfaceLocked(root);
  if (!surface) return nullptr;
  Region vis = VisibleRegion(w, windowArea);
  POINT shift = SurfaceShift(w);
  POINT origin = windowArea ? WindowOriginScreen(w) : ClientOriginScreen(w);
  origin.x += shift.x;
  origin.y += shift.y;
  if (limit) {
    Region l = *limit;
    l.Offset(origin.x, origin.y);
    vis = Region::Combine(vis, l, RGN_AND);
  }
  if (clipOut) *clipOut = vis;
  HDC dc = gdi::CreateSurfaceDC(surface, origin, std::make_shared<Region>(vis));
  if (dc) Paint().dcs[dc] = w->hwnd;
  return dc;
}

HWND DesktopLocked() {
  PaintState& p = Paint();
  if (!p.desktop) {
    uint32_t key = AllocateWindowHandle();
    if (!key) return nullptr;
    auto rec = std::make_unique<WindowRecord>();
    rec->hwnd = KeyHwnd(key);
    rec->style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    rec->windowRect = User().screenRect;
    rec->clientRect = rec->windowRect;
    rec->threadId = 0;  // no thread owns it: it is never sent to and never destroyed
    p.desktop = rec->hwnd;
    User().windows.emplace(key, std::move(rec));
  }
  if (WindowRecord* d = FindWindowRecord(p.desktop)) {
    d->windowRect = d->clientRect = User().screenRect;
  }
  return p.desktop;
}

HDC DesktopDc() {
  auto composed = ComposeDesktop();
  if (!composed) return nullptr;
  HDC dc = gdi::CreateSurfaceDC(composed, POINT{0, 0}, nullptr);
  auto lock = UserLock();
  if (dc) Paint().dcs[dc] = DesktopLocked();
  return dc;
}

// Sends WM_ERASEBKGND for a pending erase through a DC limited to the update region.
void EraseNow(HWND hwnd) {
  HDC dc = nullptr;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) return;
    PaintRecord& pr = RecordFor(hwnd);
    if (!pr.erase) return;
    pr.erase = false;
    Region limit = pr.update;
    dc = MakeWindowDcLocked(w, false, &limit, nullptr);
  }
  if (!dc) return;
  SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ReleaseDC(hwnd, dc);
}

void SendNcPaintIfPending(HWND hwnd) {
  bool frame = false;
  {
    auto lock = UserLock();
    if (!FindWindowRecord(hwnd)) return;
    PaintRecord& pr = RecordFor(hwnd);
    frame = pr.frame;
    pr.frame = false;
  }
  if (frame) SendMessageA(hwnd, WM_NCPAINT, 1, 0);
}

// Paints a window now when it needs it, then the included children.
void UpdateNow(HWND hwnd, UINT flags) {
  bool needs = false;
  std::vector<HWND> children;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w || !VisibleChain(w)) return;
    auto it = Paint().records.find(HwndKey(hwnd));
    needs = it != Paint().records.end() && (!it->second.update.Empty() || it->second.frame);
    if (IncludesChildren(w, flags)) children = w->children;
  }
  if (needs) {
    if (flags & RDW_UPDATENOW) {
      SendMessageA(hwnd, WM_PAINT, 0, 0);
    } else {
      SendNcPaintIfPending(hwnd);
      EraseNow(hwnd);
    }
  }
  for (HWND c : children) UpdateNow(c, flags);
}

std::shared_ptr<Region> RegionFromHandle(HRGN h) {
  auto obj = gdi::LookupAs<gdi::RegionObject>(h, OBJ_REGION);
  if (!obj) return nullptr;
  return std::make_shared<Region>(obj->m_region);
}

}  // namespace

void SetDisplaySink(std::shared_ptr<DisplaySink> sink) {
  std::lock_guard<std::mutex> g(SinkLock());
  SinkObject() = std::move(sink);
}

std::shared_ptr<DisplaySink> GetDisplaySink() {
  std::lock_guard<std::mutex> g(SinkLock());
  return SinkObject();
}

std::vector<TopLevelView> TopLevelViews() {
  std::vector<TopLevelView> out;
  auto lock = UserLock();
  for (HWND h : User().topLevel) {
    WindowRecord* w = FindWindowRecord(h);
    if (!w) continue;
    TopLevelView v;
    v.hwnd = h;
    v.screenRect = w->windowRect;
    v.visible = (w->style & WS_VISIBLE) && !(w->style & WS_MINIMIZE);
    auto it = Paint().surfaces.find(HwndKey(h));
    if (it != Paint().surfaces.end()) v.surface = it->second;
    if (w->exStyle & WS_EX_LAYERED) {
      auto look = Paint().layered.find(HwndKey(h));
      if (look != Paint().layered.end()) v.look = look->second;
    }
    out.push_back(std::move(v));
  }
  return out;
}

std::shared_ptr<gdi::Surface> TopLevelSurface(HWND topLevel) {
  auto lock = UserLock();
  WindowRecord* w = FindWindowRecord(topLevel);
  if (!w || w->parent) return nullptr;
  return EnsureSurfaceLocked(w);
}

namespace {

uint32_t Mix(uint32_t s, uint32_t d, uint32_t sourceWeight, uint32_t destWeight) {
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t c = (((s >> shift) & 0xFF) * sourceWeight + ((d >> shift) & 0xFF) * destWeight + 127) / 255;
    out |= std::min<uint32_t>(c, 255) << shift;
  }
  return out;
}

// One pixel of a window over the pixel beneath it, as the window's look says.
uint32_t Over(uint32_t s, uint32_t d, const LayeredLook& look) {
  if (!look.layered) return s;
  if (look.useKey && (s & 0xFFFFFFu) == (gdi::ColorToPixel(look.key) & 0xFFFFFFu)) return d;
  if (look.perPixel) {
    // Premultiplied source: colour times the constant opacity, beneath times what is left.
    const uint32_t a = (s >> 24) * look.alpha / 255;
    return Mix(s, d, look.alpha, 255 - a);
  }
  return Mix(s, d, look.alpha, 255u - look.alpha);
}

// Draws the windows of `views` from the bottom up to (and including) `last` onto `out`, whose
// pixel (0, 0) is screen point `origin`.
void ComposeViews(const std::vector<TopLevelView>& views, size_t last, gdi::Surface& out, POINT origin) {
  for (size_t i = views.size(); i-- > last;) {
    const TopLevelView& v = views[i];
    if (!v.visible || !v.surface) continue;
    const gdi::Surface& s = *v.surface;
    for (int y = 0; y < s.Height(); ++y) {
      int dy = v.screenRect.top - origin.y + y;
      if (dy < 0 || dy >= out.Height()) continue;
      int x0 = std::max(0, static_cast<int>(origin.x - v.screenRect.left));
      int x1 = std::min(s.Width(), static_cast<int>(out.Width() + origin.x - v.screenRect.left));
      if (x1 <= x0) continue;
      uint32_t* dst = out.Row32(dy) + (v.screenRect.left - origin.x);
      const uint32_t* src = s.Row32(y);
      if (!v.look.layered) {
        memcpy(dst + x0, src + x0, static_cast<size_t>(x1 - x0) * 4);
        continue;
      }
      for (int x = x0; x < x1; ++x) dst[x] = Over(src[x], dst[x], v.look);
    }
  }
}

}  // namespace

std::shared_ptr<gdi::Surface> ComposeDesktop() {
  RECT screen = UserScreenRect();
  auto out = std::make_shared<gdi::Surface>();
  if (!out->Allocate(std::max<LONG>(RectWidth(screen), 1), std::max<LONG>(RectHeight(screen), 1), 32, 4, false)) {
    return nullptr;
  }
  uint32_t bg = gdi::ColorToPixel(GetSysColor(COLOR_DESKTOP)) | 0xFF000000u;
  for (int y = 0; y < out->Height(); ++y) std::fill_n(out->Row32(y), out->Width(), bg);
  ComposeViews(TopLevelViews(), 0, *out, POINT{screen.left, screen.top});
  return out;
}

bool ComposeLayeredWindow(HWND topLevel, std::vector<uint32_t>& pixels, int& width, int& height) {
  std::vector<TopLevelView> views = TopLevelViews();
  size_t index = 0;
  while (index < views.size() && views[index].hwnd != topLevel) ++index;
  if (index == views.size() || !views[index].visible || !views[index].look.layered) return false;
  const RECT rc = views[index].screenRect;
  gdi::Surface out;
  if (!out.Allocate(std::max<LONG>(RectWidth(rc), 1), std::max<LONG>(RectHeight(rc), 1), 32, 4, false)) return false;
  uint32_t bg = gdi::ColorToPixel(GetSysColor(COLOR_DESKTOP)) | 0xFF000000u;
  for (int y = 0; y < out.Height(); ++y) std::fill_n(out.Row32(y), out.Width(), bg);
  ComposeViews(views, index, out, POINT{rc.left, rc.top});
  width = out.Width();
  height = out.Height();
  pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) memcpy(&pixels[static_cast<size_t>(y) * width], out.Row32(y), static_cast<size_t>(width) * 4);
  return true;
}

void WindowGeometryChanged(HWND hwnd, const RECT& oldScreen, bool wasVisible, bool sizeChanged, bool redraw) {
  EnsureInstalled();
  std::vector<DWORD> wake;
  bool topLevel = false;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) return;
    bool nowVisible = (w->style & WS_VISIBLE) != 0;
    if (!w->parent) {
      topLevel = true;
      EnsureSurfaceLocked(w);
      if (redraw && nowVisible && (!wasVisible || sizeChanged)) {
        ChangeUpdateLocked(w, WholeArea(w, true), RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN, wake);
      }
    } else if (WindowRecord* p = redraw ? FindWindowRecord(w->parent) : nullptr) {
      // What the window uncovered and what it now covers are painted again by the parent and
      // the siblings that lie there, and the window itself.
      POINT pw = WindowOriginScreen(p);
      auto parentArea = [&](RECT screenRect) {
        OffsetRect(&screenRect, -pw.x, -pw.y);
        return Region(screenRect);
      };
      UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN;
      if (wasVisible) ChangeUpdateLocked(p, parentArea(oldScreen), flags, wake);
      if (nowVisible) ChangeUpdateLocked(p, parentArea(ScreenWindowRect(w)), flags, wake);
    }
  }
  Wake(wake);
  if (topLevel) NotifyTopLevel();
}

bool ForgetWindowPaintLocked(HWND hwnd) {
  PaintState& p = Paint();
  p.records.erase(HwndKey(hwnd));
  p.layered.erase(HwndKey(hwnd));
  return p.surfaces.erase(HwndKey(hwnd)) > 0;
}

void ForgetWindowPaint(HWND hwnd) {
  bool topLevel = false;
  {
    auto lock = UserLock();
    topLevel = ForgetWindowPaintLocked(hwnd);
  }
  if (topLevel) NotifyTopLevel();
}

bool DefPaintProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
      *result = 0;
      return true;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = nullptr;
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (w && w->cls) brush = w->cls->background;
      }
      *result = 0;
      if (!brush || !wParam) return true;
      RECT rc;
      GetClientRect(hwnd, &rc);
      // FillRect takes a brush handle or a system colour index + 1, as class brushes may be.
      FillRect(reinterpret_cast<HDC>(wParam), &rc, brush);
      *result = 1;
      return true;
    }
    case WM_NCPAINT: {
      HDC dc = nullptr;
      bool active = false;
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (!w || !HasNonClient(w)) {
          *result = 0;
          return true;
        }
        active = RecordFor(hwnd).active;
        // Only the frame: the client area belongs to WM_PAINT.
        Region frame = Region::Combine(WholeArea(w, true), Region(ClientInWindow(w)), RGN_DIFF);
        dc = MakeWindowDcLocked(w, true, &frame, nullptr);
      }
      if (dc) {
        PaintNonClient(hwnd, dc, active);
        ReleaseDC(hwnd, dc);
      }
      *result = 0;
      return true;
    }
    case WM_NCACTIVATE: {
      bool changed = false;
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (w) {
          PaintRecord& pr = RecordFor(hwnd);
          changed = pr.active != (wParam != 0);
          pr.active = wParam != 0;
          // A frame that waits to be painted anyway is not painted twice.
          changed = changed && HasNonClient(w) && VisibleChain(w) && !pr.frame;
        }
      }
      if (changed) SendMessageA(hwnd, WM_NCPAINT, 1, 0);
      *result = TRUE;
      return true;
    }
    case WM_NCCALCSIZE: {
      DWORD style = 0, exStyle = 0;
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (!w) return false;
        style = w->style;
        exStyle = w->exStyle;
      }
      RECT* rc = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
      if (rc) *rc = ClientFromWindowRect(*rc, style, exStyle);
      *result = 0;
      return true;
    }
    case WM_NCHITTEST: {
      DWORD style = 0, exStyle = 0;
      RECT window{}, client{};
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (!w) {
          *result = HTNOWHERE;
          return true;
        }
        style = w->style;
        exStyle = w->exStyle;
        window = ScreenWindowRect(w);
        client = ClientInWindow(w);
      }
      POINT pt{GET_X_LPARAM(lParam) - window.left, GET_Y_LPARAM(lParam) - window.top};
      int width = RectWidth(window), height = RectHeight(window);
      *result = HitTestNonClient(LayoutNonClient(width, height, style, exStyle), width, height, style, pt, client);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace platform

using namespace platform;

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  EnsureInstalled();
  if (!hwnd) {
    // The desktop: every top-level window.
    std::vector<HWND> tops;
    {
      auto lock = UserLock();
      tops = User().topLevel;
    }
    for (HWND h : tops) RedrawWindow(h, nullptr, nullptr, flags | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
  }
  std::shared_ptr<Region> given;
  if (region) {
    given = RegionFromHandle(region);
    if (!given) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  std::vector<DWORD> wake;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (flags & (RDW_INVALIDATE | RDW_VALIDATE)) {
      RECT client = ClientInWindow(w);
      Region area;
      if (given) {
        area = *given;
        area.Offset(client.left, client.top);
      } else if (rect) {
        RECT r = *rect;
        OffsetRect(&r, client.left, client.top);
        area = Region(r);
      } else {
        area = WholeArea(w, (flags & RDW_FRAME) != 0);
      }
      UINT change = flags;
      if ((flags & RDW_INVALIDATE) && (flags & RDW_NOERASE)) change &= ~static_cast<UINT>(RDW_ERASE);
      ChangeUpdateLocked(w, area, change, wake);
    }
  }
  Wake(wake);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateNow(hwnd, flags);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  return RedrawWindow(hwnd, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
  return RedrawWindow(hwnd, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  if (erase) EraseNow(hwnd);
  auto lock = UserLock();
  if (!FindWindowRecord(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  auto it = Paint().records.find(HwndKey(hwnd));
  RECT box{};
  if (it != Paint().records.end() && !it->second.update.Empty()) box = it->second.update.Box();
  if (rect) *rect = box;
  return IsRectEmpty(&box) ? FALSE : TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  auto obj = gdi::LookupAs<gdi::RegionObject>(region, OBJ_REGION);
  if (!obj) return ERROR;
  if (erase) EraseNow(hwnd);
  auto lock = UserLock();
  if (!FindWindowRecord(hwnd)) return ERROR;
  auto it = Paint().records.find(HwndKey(hwnd));
  obj->m_region = it != Paint().records.end() ? it->second.update : Region();
  return obj->m_region.Kind();
}

BOOL UpdateWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  UpdateNow(hwnd, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
  EnsureInstalled();
  if (!paint) return nullptr;
  memset(paint, 0, sizeof *paint);
  SendNcPaintIfPending(hwnd);
  HDC dc = nullptr;
  bool erase = false;
  RECT box{};
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    PaintRecord& pr = RecordFor(hwnd);
    Region update = pr.update.Intersect(RECT{0, 0, RectWidth(w->clientRect), RectHeight(w->clientRect)});
    erase = pr.erase;
    pr.update.SetEmpty();
    pr.erase = false;
    box = update.Empty() ? RECT{} : update.Box();
    dc = MakeWindowDcLocked(w, false, &update, nullptr);
  }
  if (!dc) return nullptr;
  paint->hdc = dc;
  paint->rcPaint = box;
  paint->fErase = FALSE;
  if (erase) paint->fErase = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (!paint || !paint->hdc) return FALSE;
  ReleaseDC(hwnd, paint->hdc);
  return TRUE;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  EnsureInstalled();
  std::shared_ptr<Region> limit;
  if (clip) limit = RegionFromHandle(clip);
  {
    auto lock = UserLock();
    if (!hwnd || hwnd == Paint().desktop) {
      lock.unlock();
      return DesktopDc();
    }
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    return MakeWindowDcLocked(w, (flags & DCX_WINDOW) != 0, limit.get(), nullptr);
  }
}

HDC GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, 0); }

HDC GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW); }

int ReleaseDC(HWND hwnd, HDC dc) {
  HWND owner = nullptr;
  HWND root = nullptr;
  RECT changed{};
  {
    auto lock = UserLock();
    auto it = Paint().dcs.find(dc);
    if (it == Paint().dcs.end()) return 0;
    owner = it->second;
    Paint().dcs.erase(it);
    WindowRecord* w = FindWindowRecord(owner);
    if (w && owner != Paint().desktop) {
      root = RootOf(w)->hwnd;
      if (auto d = gdi::LookupDc(dc)) {
        if (d->m_visible && !d->m_visible->Empty()) changed = d->m_visible->Box();
      }
    }
  }
  (void)hwnd;
  DeleteDC(dc);
  if (root) NotifySurface(root, changed);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  auto lock = UserLock();
  auto it = Paint().dcs.find(dc);
  return it == Paint().dcs.end() ? nullptr : it->second;
}

HWND GetDesktopWindow() {
  auto lock = UserLock();
  return DesktopLocked();
}

// ---- Layered windows -------------------------------------------------------------------------

namespace {

// The layered top-level window's record under the lock, or null (with the error set).
WindowRecord* LayeredWindowLocked(HWND hwnd) {
  WindowRecord* w = FindWindowRecord(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (w->parent || !(w->exStyle & WS_EX_LAYERED)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return w;
}

RECT WholeSurface(const WindowRecord* w) { return RECT{0, 0, RectWidth(w->windowRect), RectHeight(w->windowRect)}; }

}  // namespace

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
  RECT whole{};
  {
    auto lock = UserLock();
    WindowRecord* w = LayeredWindowLocked(hwnd);
    if (!w) return FALSE;
    LayeredLook& look = Paint().layered[HwndKey(hwnd)];
    look.layered = true;
    look.perPixel = false;
    look.useKey = (flags & LWA_COLORKEY) != 0;
    look.key = key;
    look.alpha = (flags & LWA_ALPHA) ? alpha : 255;
    whole = WholeSurface(w);
  }
  NotifySurface(hwnd, whole);
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  auto lock = UserLock();
  if (!LayeredWindowLocked(hwnd)) return FALSE;
  auto it = Paint().layered.find(HwndKey(hwnd));
  // A window whose look comes from UpdateLayeredWindow has no attributes to report.
  if (it == Paint().layered.end() || it->second.perPixel) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (key) *key = it->second.key;
  if (alpha) *alpha = it->second.alpha;
  if (flags) *flags = (it->second.useKey ? LWA_COLORKEY : 0) | (it->second.alpha != 255 ? LWA_ALPHA : 0);
  return TRUE;
}

BOOL UpdateLayeredWindow(HWND hwnd, HDC, POINT* pptDst, SIZE* psize, HDC hdcSrc, POINT* pptSrc, COLORREF key,
                         const BLENDFUNCTION* blend, DWORD flags) {
  {
    auto lock = UserLock();
    if (!LayeredWindowLocked(hwnd)) return FALSE;
  }
  if ((psize && (psize->cx <= 0 || psize->cy <= 0)) || (flags & ~(ULW_COLORKEY | ULW_ALPHA | ULW_OPAQUE))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pptDst || psize) {
    UINT swp = SWP_NOZORDER | SWP_NOACTIVATE | (pptDst ? 0 : SWP_NOMOVE) | (psize ? 0 : SWP_NOSIZE);
    SetWindowPos(hwnd, nullptr, pptDst ? pptDst->x : 0, pptDst ? pptDst->y : 0, psize ? psize->cx : 0,
                 psize ? psize->cy : 0, swp);
  }
  const bool perPixel = (flags & ULW_ALPHA) && blend && (blend->AlphaFormat & AC_SRC_ALPHA);
  RECT whole{};
  {
    auto lock = UserLock();
    WindowRecord* w = LayeredWindowLocked(hwnd);
    if (!w) return FALSE;
    auto surface = EnsureSurfaceLocked(w);
    if (!surface) return FALSE;
    if (hdcSrc) {
      auto dc = gdi::LookupDc(hdcSrc);
      gdi::Surface* src = dc ? dc->GetSurface() : nullptr;
      if (!src || !src->Valid()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
      }
      const POINT sp = dc->ToSurface(pptSrc ? pptSrc->x : 0, pptSrc ? pptSrc->y : 0);
      std::vector<uint32_t> row(static_cast<size_t>(surface->Width()));
      for (int y = 0; y < surface->Height(); ++y) {
        uint32_t* dst = surface->Row32(y);
        const int sy = sp.y + y;
        for (int x = 0; x < surface->Width(); ++x) {
          const int sx = sp.x + x;
          // Beyond the source picture the window is clear.
          uint32_t p = (sx >= 0 && sy >= 0 && sx < src->Width() && sy < src->Height()) ? src->GetPixel(sx, sy) : 0;
          if (!perPixel) p |= 0xFF000000u;
          dst[x] = p;
        }
      }
    }
    LayeredLook& look = Paint().layered[HwndKey(hwnd)];
    look.layered = true;
    look.perPixel = perPixel;
    look.useKey = (flags & ULW_COLORKEY) != 0;
    look.key = key;
    look.alpha = ((flags & ULW_ALPHA) && blend) ? blend->SourceConstantAlpha : 255;
    if (flags & ULW_OPAQUE) look.alpha = 255, look.perPixel = false;
    whole = WholeSurface(w);
  }
  NotifySurface(hwnd, whole);
  return TRUE;
}

// Programs that look the layered-window calls up at run time find them under the window
// system's library name.
namespace {
const bool g_user32Exports = [] {
  platform::RegisterBuiltinModule(
      "user32.dll", {{"UpdateLayeredWindow", reinterpret_cast<FARPROC>(&UpdateLayeredWindow)},
                     {"SetLayeredWindowAttributes", reinterpret_cast<FARPROC>(&SetLayeredWindowAttributes)}});
  return true;
}();
}  // namespace
