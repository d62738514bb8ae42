#include "platform/gdi/FontMatcher.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace {

// fontconfig weights against the Windows scale (FC_WEIGHT_BOLD is 200, FW_BOLD 700).
int WindowsWeight(int fcWeight) {
  return FcWeightToOpenType(fcWeight);
}

struct FoundFace {
  std::string file;
  int index = 0;
  std::string family;
  int weight = 400;
  bool italic = false;
};

bool ReadFace(FcPattern* p, FoundFace& out) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch || file == nullptr) return false;
  out.file = reinterpret_cast<const char*>(file);
  int index = 0;
  if (FcPatternGetInteger(p, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
  FcChar8* family = nullptr;
  if (FcPatternGetString(p, FC_FAMILY, 0, &family) == FcResultMatch && family)
    out.family = reinterpret_cast<const char*>(family);
  int weight = FC_WEIGHT_REGULAR;
  if (FcPatternGetInteger(p, FC_WEIGHT, 0, &weight) == FcResultMatch) out.weight = WindowsWeight(weight);
  int slant = FC_SLANT_ROMAN;
  if (FcPatternGetInteger(p, FC_SLANT, 0, &slant) == FcResultMatch) out.italic = slant != FC_SLANT_ROMAN;
  return true;
}

bool HasFamily(FcPattern* p, const char* family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(p, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0) return true;
  }
  return false;
}

// Every face of the preferred family, listed (not matched) so that the machine's substitution
// rules play no part. Among them the one whose weight and slant come closest wins; ties go to
// the lower file name and index, so the choice is the same on every machine with the package.
bool FindPreferred(FcConfig* config, bool bold, bool italic, FoundFace& out) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(FontMatcher::PREFERRED_FAMILY));
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_WEIGHT, FC_SLANT, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  if (!set) return false;
  std::vector<FoundFace> faces;
  for (int i = 0; i < set->nfont; ++i) {
    FoundFace f;
    if (HasFamily(set->fonts[i], FontMatcher::PREFERRED_FAMILY) && ReadFace(set->fonts[i], f)) {
      f.family = FontMatcher::PREFERRED_FAMILY;
      faces.push_back(f);
    }
  }
  FcFontSetDestroy(set);
  if (faces.empty()) return false;
  int wantWeight = bold ? 700 : 400;
  auto score = [&](const FoundFace& f) {
    return std::make_tuple(std::abs(f.weight - wantWeight) / 100, f.italic != italic, f.file, f.index);
  };
  out = *std::min_element(faces.begin(), faces.end(),
                          [&](const FoundFace& a, const FoundFace& b) { return score(a) < score(b); });
  return true;
}

// Without the preferred family: the first font (by file name and index) whose coverage holds
// Simplified Chinese, so that GBK text still shows; failing that, fontconfig's match for
// "sans-serif" (which depends on the machine, but is only reached on machines without a CJK font).
bool FindFallback(FcConfig* config, FoundFace& out) {
  FcPattern* pattern = FcPatternCreate();
  FcLangSet* langs = FcLangSetCreate();
  FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("zh-cn"));
  FcPatternAddLangSet(pattern, FC_LANG, langs);
  FcLangSetDestroy(langs);
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_WEIGHT, FC_SLANT, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  std::vector<FoundFace> faces;
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FoundFace f;
      if (ReadFace(set->fonts[i], f) && !f.italic) faces.push_back(f);
    }
    FcFontSetDestroy(set);
  }
  if (!faces.empty()) {
    out = *std::min_element(faces.begin(), faces.end(), [](const FoundFace& a, const FoundFace& b) {
      return std::tie(a.file, a.index) < std::tie(b.file, b.index);
    });
    return true;
  }
  FcPattern* sans = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
  FcConfigSubstitute(config, sans, FcMatchPattern);
  FcDefaultSubstitute(sans);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, sans, &result);
  FcPatternDestroy(sans);
  bool found = match && ReadFace(match, out);
  if (match) FcPatternDestroy(match);
  return found;
}

std::mutex g_mutex;
std::map<std::tuple<bool, bool>, FontMatch> g_cache;

}  // namespace

bool FontMatcher::IsSystemFace(const std::string& faceGbk) {
  static const char SYSTEM[] = "system";
  if (faceGbk.size() != sizeof SYSTEM - 1) return false;
  for (size_t i = 0; i < faceGbk.size(); ++i) {
    char c = faceGbk[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != SYSTEM[i]) return false;
  }
  return true;
}

FontMatch FontMatcher::Match(const std::string& faceGbk, int weight, bool italic) {
  // Every face name shows the same family (see the header), so only boldness and slant decide.
  bool bold = weight >= 600 || IsSystemFace(faceGbk);
  std::lock_guard<std::mutex> lock(g_mutex);
  auto key = std::make_tuple(bold, italic);
  auto it = g_cache.find(key);
  if (it != g_cache.end()) return it->second;

  FontMatch match;
  FcConfig* config = FcInitLoadConfigAndFonts();
  FoundFace face;
  if (config && (FindPreferred(config, bold, italic, face) || FindFallback(config, face))) {
    match.file = face.file;
    match.faceIndex = face.index;
    match.family = face.family;
    match.fileWeight = face.weight;
    match.emboldened = bold && face.weight < 600;
    match.slanted = italic && !face.italic;
  }
  if (config) FcConfigDestroy(config);
  g_cache.emplace(key, match);
  return match;
}
