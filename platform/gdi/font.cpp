// Fonts through FreeType and text drawing: metrics, extents, TextOut, ExtTextOut, DrawText.
//
// Glyphs are rendered hinted and monochrome (no anti-aliasing), so the same text gives the
// same pixels on every run. The Windows face names the system uses map to the Liberation fonts
// of the Debian package; other faces are looked up among the installed fonts by fontconfig.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <unordered_map>

#include "base/codepage.h"
#include "gdi/gdi_internal.h"

namespace nux::gdi {

namespace {

std::mutex& FontMutex() {
  static auto* m = new std::mutex();
  return *m;
}

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

std::u16string Lower(std::u16string s) {
  for (auto& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return s;
}

// Font files under the system font folder, by file name.
const std::map<std::string, std::string>& FontFiles() {
  static const std::map<std::string, std::string> files = [] {
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (const char* root : {"/usr/share/fonts"}) {
      for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
           !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = it->path().filename().string();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ttf") == 0 && !out.count(name))
          out[name] = it->path().string();
      }
    }
    return out;
  }();
  return files;
}

}  // namespace

namespace {

bool WindowsFace(const std::u16string& f) {
  static const char16_t* const kFaces[] = {
      u"arial", u"ms sans serif", u"small fonts", u"system", u"tahoma", u"verdana", u"ms shell dlg",
      u"ms shell dlg 2", u"microsoft sans serif", u"times new roman", u"times", u"ms serif", u"serif",
      u"georgia", u"courier new", u"courier", u"fixedsys", u"terminal", u"lucida console", u"consolas",
      u"monospace", u"sans-serif", u"helvetica"};
  for (const char16_t* k : kFaces)
    if (f == k) return true;
  return false;
}

// The installed font file of a family by fontconfig: only a face of that very family (no
// stand-in), with the weight and slant nearest to those asked for.
std::string InstalledFontFile(const std::u16string& face, bool bold, bool italic) {
  static std::mutex mutex;
  static std::map<std::u16string, std::string> cache;
  std::u16string key = Lower(face) + (bold ? u"|b" : u"") + (italic ? u"|i" : u"");
  std::lock_guard<std::mutex> lock(mutex);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  std::string file;
  std::string name = nux::ToUtf8(face);
  static const bool ready = [] {
    if (!FcInit()) return false;
    std::atexit(FcFini);  // fontconfig's caches go with the process
    return true;
  }();
  if (ready) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
      bool same = false;
      FcChar8* family = nullptr;
      for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        if (Lower(nux::FromUtf8(reinterpret_cast<const char*>(family))) == Lower(face)) same = true;
      FcChar8* path = nullptr;
      if (same && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) file = reinterpret_cast<const char*>(path);
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  cache.emplace(key, file);
  return file;
}

}  // namespace

bool FontFamilyAvailable(const std::u16string& face) {
  return WindowsFace(Lower(face)) || !InstalledFontFile(face, false, false).empty();
}

std::string FontFileFor(const std::u16string& face, bool bold, bool italic) {
  std::u16string f = Lower(face);
  if (!f.empty() && !WindowsFace(f)) {
    std::string installed = InstalledFontFile(face, bold, italic);
    if (!installed.empty()) return installed;
  }
  std::string family = "Sans";
  if (f == u"times new roman" || f == u"times" || f == u"ms serif" || f == u"serif" || f == u"georgia")
    family = "Serif";
  else if (f == u"courier new" || f == u"courier" || f == u"fixedsys" || f == u"terminal" ||
           f == u"lucida console" || f == u"consolas" || f == u"monospace")
    family = "Mono";
  const char* style = bold ? (italic ? "BoldItalic" : "Bold") : (italic ? "Italic" : "Regular");
  const auto& files = FontFiles();
  for (std::string candidate :
       {"Liberation" + family + "-" + style + ".ttf", "Liberation" + family + "-Regular.ttf",
        std::string("LiberationSans-") + style + ".ttf", std::string("LiberationSans-Regular.ttf"),
        std::string("DejaVuSans.ttf")}) {
    auto it = files.find(candidate);
    if (it != files.end()) return it->second;
  }
  return std::string();
}

struct Glyph {
  int advance = 0;
  int left = 0;  // bitmap offset from the pen position
  int top = 0;   // bitmap top above the baseline
  int width = 0;
  int rows = 0;
  int pitch = 0;
  std::vector<uint8_t> bits;  // 1 bit per pixel, most significant first
};

// One face at one pixel size.
class FontInstance {
 public:
  FontInstance(const std::string& file, const LOGFONTW& lf) {
    if (!Library() || file.empty() || FT_New_Face(Library(), file.c_str(), 0, &face_) != 0) {
      face_ = nullptr;
      return;
    }
    const bool bold = lf.lfWeight >= FW_SEMIBOLD;
    const bool italic = lf.lfItalic != 0;
    std::string name = std::filesystem::path(file).filename().string();
    syntheticItalic_ = italic && name.find("Italic") == std::string::npos;
    syntheticBold_ = bold && name.find("Bold") == std::string::npos;
    const FT_UShort upem = face_->units_per_EM;
    const TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    int winAscent = os2 ? os2->usWinAscent : face_->ascender;
    int winDescent = os2 ? os2->usWinDescent : -face_->descender;
    int cell = winAscent + winDescent;
    int em;
    if (lf.lfHeight < 0)
      em = -lf.lfHeight;
    else if (lf.lfHeight > 0)
      em = std::max(1, static_cast<int>(std::lround(double(lf.lfHeight) * upem / cell)));
    else
      em = std::max(1, static_cast<int>(std::lround(16.0 * upem / cell)));
    em_ = std::min(em, 2000);
    FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(em_));
    const double scale = double(em_) / upem;
    ascent_ = static_cast<int>(std::lround(winAscent * scale));
    descent_ = static_cast<int>(std::lround(winDescent * scale));
    const TT_HoriHeader* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
    if (hhea) {
      int extra = hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
      externalLeading_ = std::max(0, static_cast<int>(std::lround(extra * scale)));
    }
    aveCharWidth_ = static_cast<int>(std::lround(WeightedAverageWidth(os2) * scale));
    maxCharWidth_ = static_cast<int>(std::lround((face_->bbox.xMax - face_->bbox.xMin) * scale));
    underlinePos_ = static_cast<int>(std::lround(-face_->underline_position * scale));
    underlineThick_ = std::max(1, static_cast<int>(std::lround(face_->underline_thickness * scale)));
    strikePos_ = os2 ? static_cast<int>(std::lround(os2->yStrikeoutPosition * scale)) : ascent_ / 3;
    if (syntheticBold_) aveCharWidth_ += 1, maxCharWidth_ += 1;
  }
  ~FontInstance() {
    if (face_) FT_Done_Face(face_);
  }
  FontInstance(const FontInstance&) = delete;
  FontInstance& operator=(const FontInstance&) = delete;

  bool ok() const { return face_ != nullptr; }

  // The average character width in font units as the classic OS/2 table defines it: the
  // lower-case letters and the space weighted by their frequency in English text. Newer fonts
  // store an average over all glyphs instead, which is wider than the figure Windows reports
  // for the fonts these stand in for.
  double WeightedAverageWidth(const TT_OS2* os2) const {
    static const int weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                                    56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2, 166};
    double sum = 0;
    for (int i = 0; i < 27; ++i) {
      FT_ULong code = i < 26 ? static_cast<FT_ULong>('a' + i) : ' ';
      FT_UInt index = FT_Get_Char_Index(face_, code);
      if (!index || FT_Load_Glyph(face_, index, FT_LOAD_NO_SCALE) != 0)
        return os2 ? os2->xAvgCharWidth : face_->units_per_EM / 2.0;
      sum += static_cast<double>(face_->glyph->metrics.horiAdvance) * weights[i];
    }
    return sum / 1000.0;
  }
  int em() const { return em_; }
  int ascent() const { return ascent_; }
  int descent() const { return descent_; }
  int height() const { return ascent_ + descent_; }
  int externalLeading() const { return externalLeading_; }
  int aveCharWidth() const { return aveCharWidth_; }
  int maxCharWidth() const { return maxCharWidth_; }
  int underlinePos() const { return underlinePos_; }
  int underlineThick() const { return underlineThick_; }
  int strikePos() const { return strikePos_; }

  const Glyph& glyph(char32_t code) {
    auto it = glyphs_.find(code);
    if (it != glyphs_.end()) return it->second;
    Glyph g;
    if (face_ && FT_Load_Char(face_, code, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) == 0) {
      FT_GlyphSlot slot = face_->glyph;
      if (syntheticItalic_) FT_GlyphSlot_Oblique(slot);
      if (syntheticBold_) FT_GlyphSlot_Embolden(slot);
      g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
      if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0) {
        const FT_Bitmap& b = slot->bitmap;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(b.width);
        g.rows = static_cast<int>(b.rows);
        g.pitch = std::abs(b.pitch);
        g.bits.resize(static_cast<size_t>(g.pitch) * g.rows);
        for (int y = 0; y < g.rows; ++y) {
          const uint8_t* src = b.pitch >= 0 ? b.buffer + y * b.pitch : b.buffer + (g.rows - 1 - y) * g.pitch;
          std::memcpy(g.bits.data() + y * g.pitch, src, g.pitch);
        }
      }
    }
    return glyphs_.emplace(code, std::move(g)).first->second;
  }

 private:
  FT_Face face_ = nullptr;
  bool syntheticItalic_ = false, syntheticBold_ = false;
  int em_ = 0, ascent_ = 0, descent_ = 0, externalLeading_ = 0;
  int aveCharWidth_ = 0, maxCharWidth_ = 0;
  int underlinePos_ = 0, underlineThick_ = 1, strikePos_ = 0;
  std::unordered_map<char32_t, Glyph> glyphs_;
};

namespace {

// Instances by file and size; kept for the life of the process (a handful of sizes are used).
FontInstance& InstanceFor(const LOGFONTW& lf) {
  static auto* cache = new std::map<std::pair<std::string, LONG>, std::unique_ptr<FontInstance>>();
  std::u16string face;
  for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) face.push_back(lf.lfFaceName[i]);
  std::string file = FontFileFor(face, lf.lfWeight >= FW_SEMIBOLD, lf.lfItalic != 0);
  auto key = std::make_pair(file + (lf.lfWeight >= FW_SEMIBOLD ? "|b" : "") + (lf.lfItalic ? "|i" : ""),
                            lf.lfHeight);
  auto it = cache->find(key);
  if (it == cache->end()) it = cache->emplace(key, std::make_unique<FontInstance>(file, lf)).first;
  return *it->second;
}

detail::FontObj& FontObjOf(const detail::DCObj& dc) {
  return dc.st.font ? *dc.st.font : *detail::StockFont(SYSTEM_FONT);
}

const LOGFONTW& FontOf(const detail::DCObj& dc) { return FontObjOf(dc).log; }

// The instance of the DC's font (the caller holds the font lock).
FontInstance& InstanceOf(const detail::DCObj& dc) {
  detail::FontObj& f = FontObjOf(dc);
  if (!f.instance) f.instance = &InstanceFor(f.log);
  return *f.instance;
}

char32_t NextCodePoint(const std::u16string& s, size_t& i) {
  char16_t c = s[i++];
  if (c >= 0xD800 && c < 0xDC00 && i < s.size() && s[i] >= 0xDC00 && s[i] < 0xE000)
    return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (s[i++] - 0xDC00);
  return c;
}

int TextWidth(FontInstance& f, const std::u16string& s) {
  int w = 0;
  for (size_t i = 0; i < s.size();) w += f.glyph(NextCodePoint(s, i)).advance;
  return w;
}

// Draws `text` with its baseline at surface y `baseline`, starting at surface x `x`, in the DC's
// text colour, clipped to the DC's visible area and to `clip` (surface pixels) when given.
// Advances come from `dx` when given. Returns the width drawn.
int DrawRun(detail::DCObj& dc, FontInstance& f, const LOGFONTW& lf, int x, int baseline,
            const std::u16string& text, const INT* dx, const RECT* clip, int underlineIndex = -1) {
  Surface* s = dc.surface();
  const uint32_t color = ArgbFromColorref(dc.st.textColor);
  const Region& visible = dc.visible();
  RECT bounds = visible.box();
  if (clip) bounds = detail::Intersect(bounds, *clip);
  const bool simpleClip = visible.rects().size() <= 1;
  auto plot = [&](int px, int py) {
    if (px < bounds.left || px >= bounds.right || py < bounds.top || py >= bounds.bottom) return;
    if (!simpleClip && !visible.contains(px, py)) return;
    s->row(py)[px] = color;
  };
  auto hline = [&](int x0, int x1, int y, int thick) {
    for (int t = 0; t < thick; ++t)
      for (int px = x0; px < x1; ++px) plot(px, y + t);
  };
  int pen = x;
  size_t unit = 0;
  int index = 0;
  for (size_t i = 0; i < text.size(); ++index) {
    size_t start = i;
    char32_t code = NextCodePoint(text, i);
    const Glyph& g = f.glyph(code);
    if (s && !detail::IsEmpty(bounds)) {
      for (int row = 0; row < g.rows; ++row) {
        const uint8_t* bits = g.bits.data() + row * g.pitch;
        int py = baseline - g.top + row;
        for (int col = 0; col < g.width; ++col)
          if (bits[col >> 3] & (0x80 >> (col & 7))) plot(pen + g.left + col, py);
      }
    }
    int advance = dx ? dx[unit] : g.advance;
    if (s && index == underlineIndex) hline(pen, pen + g.advance, baseline + 1, 1);
    unit += i - start;
    pen += advance;
  }
  if (s && lf.lfUnderline) hline(x, pen, baseline + f.underlinePos(), f.underlineThick());
  if (s && lf.lfStrikeOut) hline(x, pen, baseline - f.strikePos(), f.underlineThick());
  return pen - x;
}

std::u16string FromAnsi(LPCSTR text, int length) {
  if (!text) return std::u16string();
  size_t n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
  return nux::AnsiToWide(std::string_view(text, n));
}

std::u16string FromWide(LPCWSTR text, int length) {
  if (!text) return std::u16string();
  if (length < 0) return std::u16string(text);
  return std::u16string(text, static_cast<size_t>(length));
}

HFONT NewFont(const LOGFONTW& lf) {
  auto* f = new detail::FontObj();
  f->log = lf;
  return reinterpret_cast<HFONT>(detail::Register(f));
}

void CopyFaceA(LOGFONTW& lf, LPCSTR face) {
  std::u16string w = FromAnsi(face, -1);
  size_t n = std::min<size_t>(w.size(), LF_FACESIZE - 1);
  std::memcpy(lf.lfFaceName, w.data(), n * sizeof(WCHAR));
  lf.lfFaceName[n] = 0;
}

void CopyFaceW(LOGFONTW& lf, LPCWSTR face) {
  size_t n = 0;
  if (face)
    for (; face[n] && n + 1 < LF_FACESIZE; ++n) lf.lfFaceName[n] = face[n];
  lf.lfFaceName[n] = 0;
}

template <class TM, class CharT>
void FillMetrics(FontInstance& f, const LOGFONTW& lf, TM* tm) {
  std::memset(tm, 0, sizeof(TM));
  tm->tmHeight = f.height();
  tm->tmAscent = f.ascent();
  tm->tmDescent = f.descent();
  tm->tmInternalLeading = f.height() - f.em();
  tm->tmExternalLeading = f.externalLeading();
  tm->tmAveCharWidth = f.aveCharWidth();
  tm->tmMaxCharWidth = f.maxCharWidth();
  tm->tmWeight = lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight;
  tm->tmDigitizedAspectX = 96;
  tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = static_cast<CharT>(32);
  tm->tmLastChar = static_cast<CharT>(sizeof(CharT) == 1 ? 255 : 0xFFFC);
  tm->tmDefaultChar = static_cast<CharT>(sizeof(CharT) == 1 ? 128 : 0x1F);
  tm->tmBreakChar = static_cast<CharT>(32);
  tm->tmItalic = lf.lfItalic;
  tm->tmUnderlined = lf.lfUnderline;
  tm->tmStruckOut = lf.lfStrikeOut;
  tm->tmPitchAndFamily = static_cast<BYTE>(0x06 | (lf.lfPitchAndFamily & 0xF0));  // variable, TrueType
  tm->tmCharSet = lf.lfCharSet;
}

}  // namespace

// ---- DrawText ------------------------------------------------------------------------

namespace {

struct Line {
  std::u16string text;
  int underline = -1;  // index of the prefixed character
  int width = 0;
};

int DrawTextImpl(HDC hdc, std::u16string text, LPRECT rect, UINT format) {
  detail::DCObj* dc = detail::LookupDC(hdc);
  if (!dc || !rect) return 0;
  std::lock_guard<std::mutex> lock(FontMutex());
  const LOGFONTW& lf = FontOf(*dc);
  FontInstance& f = InstanceOf(*dc);
  if (!f.ok()) return 0;
  const int lineHeight = f.height() + ((format & DT_EXTERNALLEADING) ? f.externalLeading() : 0);
  const bool single = format & DT_SINGLELINE;
  const bool wrap = (format & DT_WORDBREAK) && !single;
  const int maxWidth = rect->right - rect->left;
  const int tabWidth = 8 * f.aveCharWidth();

  // Prefix characters: "&&" is a literal '&', '&x' underlines x.
  auto stripPrefix = [&](const std::u16string& in, int& underline) {
    underline = -1;
    if (format & DT_NOPREFIX) return in;
    std::u16string out;
    for (size_t i = 0; i < in.size(); ++i) {
      if (in[i] == u'&' && i + 1 < in.size()) {
        ++i;
        if (in[i] != u'&') underline = static_cast<int>(out.size());
      } else if (in[i] == u'&') {
        continue;
      }
      out.push_back(in[i]);
    }
    if (format & DT_HIDEPREFIX) underline = -1;
    return out;
  };
  auto width = [&](const std::u16string& s) {
    if (!(format & DT_EXPANDTABS)) return TextWidth(f, s);
    int w = 0;
    for (size_t i = 0; i < s.size();) {
      char32_t c = NextCodePoint(s, i);
      w = c == u'\t' ? (tabWidth ? (w / tabWidth + 1) * tabWidth : w) : w + f.glyph(c).advance;
    }
    return w;
  };

  // Paragraphs split at CR LF, LF or CR (not for a single line).
  std::vector<std::u16string> paragraphs;
  if (single) {
    paragraphs.push_back(text);
  } else {
    std::u16string cur;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\r' || text[i] == u'\n') {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        paragraphs.push_back(cur);
        cur.clear();
      } else {
        cur.push_back(text[i]);
      }
    }
    paragraphs.push_back(cur);
  }

  std::vector<Line> lines;
  for (const auto& para : paragraphs) {
    int underline;
    std::u16string p = stripPrefix(para, underline);
    if (!wrap) {
      lines.push_back(Line{p, underline, width(p)});
      continue;
    }
    // Break at spaces; a word wider than the rectangle stays whole (unless DT_EDITCONTROL).
    size_t start = 0;
    if (p.empty()) lines.push_back(Line{p, underline, 0});
    // Advance of each code unit (a surrogate pair's on its first unit), for measuring runs
    // without measuring the same text again; tab stops need the whole run measured.
    const bool tabs = (format & DT_EXPANDTABS) && p.find(u'\t') != std::u16string::npos;
    std::vector<int> adv(p.size(), 0);
    for (size_t i = 0; i < p.size();) {
      size_t at = i;
      adv[at] = f.glyph(NextCodePoint(p, i)).advance;
    }
    while (start < p.size()) {
      size_t end = start, lastBreak = std::u16string::npos;
      int run = 0;
      while (end < p.size()) {
        size_t next = end + 1;
        int w = tabs ? width(p.substr(start, next - start)) : run + adv[end];
        if (w > maxWidth && end > start) break;
        if (p[end] == u' ') lastBreak = end;
        run = w;
        end = next;
      }
      size_t cut = end;
      if (end < p.size()) {
        if (p[end] == u' ')
          cut = end;
        else if (lastBreak != std::u16string::npos && lastBreak > start)
          cut = lastBreak;
        else if (!(format & DT_EDITCONTROL)) {
          // Keep the long word whole: run on to the next space.
          cut = end;
          while (cut < p.size() && p[cut] != u' ') ++cut;
        }
      }
      std::u16string piece = p.substr(start, cut - start);
      while (!piece.empty() && piece.back() == u' ') piece.pop_back();
      int ul = (underline >= static_cast<int>(start) && underline < static_cast<int>(cut))
                   ? underline - static_cast<int>(start)
                   : -1;
      lines.push_back(Line{piece, ul, width(piece)});
      start = cut;
      while (start < p.size() && p[start] == u' ') ++start;
    }
  }

  // Ellipses for lines wider than the rectangle.
  if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) {
    const std::u16string dots = u"...";
    const int dotsWidth = TextWidth(f, dots);
    for (auto& line : lines) {
      if (line.width <= maxWidth) continue;
      std::u16string t = line.text;
      while (!t.empty() && width(t) + dotsWidth > maxWidth) t.pop_back();
      line.text = t + dots;
      line.width = width(line.text);
      if (line.underline >= static_cast<int>(t.size())) line.underline = -1;
    }
  }

  const int textHeight = lineHeight * static_cast<int>(lines.size());
  int widest = 0;
  for (auto& l : lines) widest = std::max(widest, l.width);

  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + textHeight;
    return textHeight;
  }

  int top = rect->top;
  if (single && (format & DT_VCENTER))
    top = rect->top + (rect->bottom - rect->top - textHeight) / 2;
  else if (single && (format & DT_BOTTOM))
    top = rect->bottom - textHeight;

  RECT clipRect{dc->sx(rect->left), dc->sy(rect->top), dc->sx(rect->right), dc->sy(rect->bottom)};
  const RECT* clip = (format & DT_NOCLIP) ? nullptr : &clipRect;
  int y = top;
  for (const auto& line : lines) {
    int x = rect->left;
    if (format & DT_CENTER)
      x = rect->left + (maxWidth - line.width) / 2;
    else if (format & DT_RIGHT)
      x = rect->right - line.width;
    if (dc->st.bkMode == OPAQUE && dc->surface()) {
      RECT bg{dc->sx(x), dc->sy(y), dc->sx(x + line.width), dc->sy(y + f.height())};
      if (clip) bg = detail::Intersect(bg, *clip);
      detail::BrushObj bk;
      bk.log = {BS_SOLID, dc->st.bkColor, 0};
      detail::FillSurfaceRect(*dc, bg, &bk);
    }
    if (format & DT_EXPANDTABS) {
      // Draw the pieces between tabs at their tab stops.
      int pos = 0;
      size_t from = 0;
      for (size_t i = 0; i <= line.text.size(); ++i) {
        if (i == line.text.size() || line.text[i] == u'\t') {
          std::u16string piece = line.text.substr(from, i - from);
          int ul = line.underline >= static_cast<int>(from) && line.underline < static_cast<int>(i)
                       ? line.underline - static_cast<int>(from)
                       : -1;
          pos += DrawRun(*dc, f, lf, dc->sx(x + pos), dc->sy(y + f.ascent()), piece, nullptr, clip, ul);
          if (i < line.text.size() && tabWidth) pos = (pos / tabWidth + 1) * tabWidth;
          from = i + 1;
        }
      }
    } else {
      DrawRun(*dc, f, lf, dc->sx(x), dc->sy(y + f.ascent()), line.text, nullptr, clip, line.underline);
    }
    y += lineHeight;
  }
  if (single && (format & (DT_VCENTER | DT_BOTTOM))) return top - rect->top + textHeight;
  return textHeight;
}

BOOL ExtTextOutImpl(HDC hdc, int x, int y, UINT options, const RECT* rect, const std::u16string& text,
                    const INT* dx) {
  detail::DCObj* dc = detail::LookupDC(hdc);
  if (!dc) return FALSE;
  if (text.empty() && !(dc->st.textAlign & TA_UPDATECP)) {
    // Only the opaque rectangle (the class library's FillSolidRect draws so).
    if (rect && (options & ETO_OPAQUE)) {
      detail::BrushObj bk;
      bk.log = {BS_SOLID, dc->st.bkColor, 0};
      detail::FillSurfaceRect(*dc, RECT{dc->sx(rect->left), dc->sy(rect->top), dc->sx(rect->right), dc->sy(rect->bottom)}, &bk);
    }
    return TRUE;
  }
  std::lock_guard<std::mutex> lock(FontMutex());
  const LOGFONTW& lf = FontOf(*dc);
  FontInstance& f = InstanceOf(*dc);
  if (!f.ok()) return FALSE;
  RECT clipRect{};
  if (rect)
    clipRect = RECT{dc->sx(rect->left), dc->sy(rect->top), dc->sx(rect->right), dc->sy(rect->bottom)};
  detail::BrushObj bk;
  bk.log = {BS_SOLID, dc->st.bkColor, 0};
  if (rect && (options & ETO_OPAQUE)) detail::FillSurfaceRect(*dc, clipRect, &bk);
  int w = 0;
  if (dx) {
    size_t units = text.size();
    for (size_t i = 0; i < units; ++i) w += dx[i];
  } else {
    w = TextWidth(f, text);
  }
  const UINT align = dc->st.textAlign;
  const bool updateCP = align & TA_UPDATECP;
  int px = updateCP ? dc->st.pos.x : x;
  int py = updateCP ? dc->st.pos.y : y;
  if ((align & TA_CENTER) == TA_CENTER)
    px -= w / 2;
  else if (align & TA_RIGHT)
    px -= w;
  int baseline;
  if ((align & TA_BASELINE) == TA_BASELINE)
    baseline = py;
  else if (align & TA_BOTTOM)
    baseline = py - f.descent();
  else
    baseline = py + f.ascent();
  const RECT* clip = rect && (options & ETO_CLIPPED) ? &clipRect : nullptr;
  if (dc->st.bkMode == OPAQUE && !(rect && (options & ETO_OPAQUE))) {
    RECT bg{dc->sx(px), dc->sy(baseline - f.ascent()), dc->sx(px + w), dc->sy(baseline + f.descent())};
    if (clip) bg = detail::Intersect(bg, *clip);
    detail::FillSurfaceRect(*dc, bg, &bk);
  }
  DrawRun(*dc, f, lf, dc->sx(px), dc->sy(baseline), text, dx, clip);
  if (updateCP) {
    if ((align & TA_CENTER) == TA_CENTER) {
    } else if (align & TA_RIGHT) {
      dc->st.pos.x -= w;
    } else {
      dc->st.pos.x += w;
    }
  }
  return TRUE;
}

BOOL ExtentImpl(HDC hdc, const std::u16string& text, LPSIZE size) {
  detail::DCObj* dc = detail::LookupDC(hdc);
  if (!dc || !size) return FALSE;
  std::lock_guard<std::mutex> lock(FontMutex());
  FontInstance& f = InstanceOf(*dc);
  if (!f.ok()) return FALSE;
  size->cx = TextWidth(f, text);
  size->cy = f.height();
  return TRUE;
}

}  // namespace

}  // namespace nux::gdi

using namespace nux::gdi;

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (!font) return nullptr;
  return NewFont(*font);
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  LOGFONTW lf{};
  std::memcpy(&lf, font, offsetof(LOGFONTA, lfFaceName));
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, font->lfFaceName, LF_FACESIZE);
  CopyFaceA(lf, face);
  return NewFont(lf);
}

static LOGFONTW MakeLogFont(int height, int width, int escapement, int orientation, int weight,
                            DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                            DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitch) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic);
  lf.lfUnderline = static_cast<BYTE>(underline);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitch);
  return lf;
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitch, LPCWSTR face) {
  LOGFONTW lf = MakeLogFont(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                            charSet, outPrecision, clipPrecision, quality, pitch);
  CopyFaceW(lf, face);
  return NewFont(lf);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitch, LPCSTR face) {
  LOGFONTW lf = MakeLogFont(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                            charSet, outPrecision, clipPrecision, quality, pitch);
  CopyFaceA(lf, face);
  return NewFont(lf);
}

BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics) {
  detail::DCObj* dc = detail::LookupDC(hdc);
  if (!dc || !metrics) return FALSE;
  std::lock_guard<std::mutex> lock(FontMutex());
  const LOGFONTW& lf = FontOf(*dc);
  FontInstance& f = InstanceOf(*dc);
  if (!f.ok()) return FALSE;
  FillMetrics<TEXTMETRICW, WCHAR>(f, lf, metrics);
  return TRUE;
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics) {
  detail::DCObj* dc = detail::LookupDC(hdc);
  if (!dc || !metrics) return FALSE;
  std::lock_guard<std::mutex> lock(FontMutex());
  const LOGFONTW& lf = FontOf(*dc);
  FontInstance& f = InstanceOf(*dc);
  if (!f.ok()) return FALSE;
  FillMetrics<TEXTMETRICA, BYTE>(f, lf, metrics);
  return TRUE;
}

int GetTextFaceW(HDC hdc, int count, LPWSTR face) {
  detail::DCObj* dc = detail::LookupDC(hdc);
  if (!dc) return 0;
  std::u16string name;
  const LOGFONTW& lf = FontOf(*dc);
  for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) name.push_back(lf.lfFaceName[i]);
  if (!face) return static_cast<int>(name.size()) + 1;
  if (count <= 0) return 0;
  int n = std::min<int>(count - 1, static_cast<int>(name.size()));
  std::memcpy(face, name.data(), n * sizeof(WCHAR));
  face[n] = 0;
  return n;
}

int GetTextFaceA(HDC hdc, int count, LPSTR face) {
  WCHAR wide[LF_FACESIZE + 1];
  if (GetTextFaceW(hdc, LF_FACESIZE + 1, wide) <= 0 && !detail::LookupDC(hdc)) return 0;
  std::string name = nux::WideToAnsi(std::u16string(wide));
  if (!face) return static_cast<int>(name.size()) + 1;
  if (count <= 0) return 0;
  int n = std::min<int>(count - 1, static_cast<int>(name.size()));
  std::memcpy(face, name.data(), n);
  face[n] = 0;
  return n;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int length, LPSIZE size) {
  if (length < 0 || (!text && length > 0)) return FALSE;
  return ExtentImpl(hdc, FromWide(text, length), size);
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int length, LPSIZE size) {
  if (length < 0 || (!text && length > 0)) return FALSE;
  return ExtentImpl(hdc, FromAnsi(text, length), size);
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT length,
                 const INT* dx) {
  return ExtTextOutImpl(hdc, x, y, options, rect, FromWide(text, static_cast<int>(length)), dx);
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length,
                 const INT* dx) {
  return ExtTextOutImpl(hdc, x, y, options, rect, FromAnsi(text, static_cast<int>(length)), dx);
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int length) {
  if (length < 0) return FALSE;
  return ExtTextOutW(hdc, x, y, 0, nullptr, text, static_cast<UINT>(length), nullptr);
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
  if (length < 0) return FALSE;
  return ExtTextOutA(hdc, x, y, 0, nullptr, text, static_cast<UINT>(length), nullptr);
}

int DrawTextW(HDC hdc, LPCWSTR text, int length, LPRECT rect, UINT format) {
  if (!text) return 0;
  return DrawTextImpl(hdc, FromWide(text, length), rect, format);
}

int DrawTextA(HDC hdc, LPCSTR text, int length, LPRECT rect, UINT format) {
  if (!text) return 0;
  return DrawTextImpl(hdc, FromAnsi(text, length), rect, format);
}
