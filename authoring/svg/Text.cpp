#include "authoring/svg/Text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ot.h>
#include <hb.h>

#include <tuple>

#include "authoring/svg/Values.h"

namespace vemo::svg {

bool FontRequest::operator<(const FontRequest& o) const {
    return std::tie(families, weight, style, stretch) <
           std::tie(o.families, o.weight, o.style, o.stretch);
}

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = (unsigned char)text[i];
        uint32_t cp;
        int extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        if (i + size_t(extra) >= text.size() && extra > 0) {
            out += U'\uFFFD'; // cut short at the end
            break;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char n = (unsigned char)text[i + size_t(k)];
            if ((n & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (n & 0x3F);
        }
        if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        out += char32_t(cp);
        i += size_t(extra) + 1;
    }
    return out;
}

namespace {

struct Font {
    FT_Face face = nullptr;
    hb_face_t* hbFace = nullptr;
    hb_font_t* hbFont = nullptr;
    FcCharSet* charset = nullptr;
    double upem = 1000;
    std::map<uint32_t, Path> outlines; // by glyph, in font units, y up
};

struct Chain {
    std::vector<Font*> fonts;
};

// The CSS family list to names: quotes removed, spaces around commas trimmed.
std::vector<std::string> Families(const std::string& list) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i <= list.size() && out.size() < 32) {
        size_t comma = std::string::npos;
        char quote = 0;
        for (size_t k = i; k < list.size(); ++k) {
            char c = list[k];
            if (quote) {
                if (c == quote) {
                    quote = 0;
                }
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == ',') {
                comma = k;
                break;
            }
        }
        std::string_view item = Trim(std::string_view(list).substr(
            i, (comma == std::string::npos ? list.size() : comma) - i));
        if (item.size() >= 2 && (item[0] == '"' || item[0] == '\'') && item.back() == item[0]) {
            item = Trim(item.substr(1, item.size() - 2));
        }
        if (!item.empty()) {
            std::string name(item);
            // CSS generic families as fontconfig knows them.
            std::string lower = Lower(name);
            if (lower == "sans-serif" || lower == "serif" || lower == "monospace" ||
                lower == "cursive" || lower == "fantasy") {
                name = lower;
            }
            out.push_back(name);
        }
        if (comma == std::string::npos) {
            break;
        }
        i = comma + 1;
    }
    return out;
}

struct OutlineBuilder {
    Path* path;
    bool open = false;
};

Point FtPoint(const FT_Vector* v) { return {double(v->x), double(v->y)}; }

int MoveToCb(const FT_Vector* to, void* user) {
    OutlineBuilder* b = static_cast<OutlineBuilder*>(user);
    if (b->open) {
        b->path->Close();
    }
    b->path->MoveTo(FtPoint(to));
    b->open = true;
    return 0;
}
int LineToCb(const FT_Vector* to, void* user) {
    static_cast<OutlineBuilder*>(user)->path->LineTo(FtPoint(to));
    return 0;
}
int ConicToCb(const FT_Vector* c, const FT_Vector* to, void* user) {
    static_cast<OutlineBuilder*>(user)->path->QuadTo(FtPoint(c), FtPoint(to));
    return 0;
}
int CubicToCb(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    static_cast<OutlineBuilder*>(user)->path->CubicTo(FtPoint(c1), FtPoint(c2), FtPoint(to));
    return 0;
}

} // namespace

struct TextShaper::Impl {
    FT_Library ft = nullptr;
    FcConfig* config = nullptr;
    std::map<std::pair<std::string, int>, std::unique_ptr<Font>> fonts;
    std::map<FontRequest, Chain> chains;

    ~Impl() {
        for (auto& f : fonts) {
            Font* font = f.second.get();
            if (font->hbFont) {
                hb_font_destroy(font->hbFont);
            }
            if (font->hbFace) {
                hb_face_destroy(font->hbFace);
            }
            if (font->face) {
                FT_Done_Face(font->face);
            }
            if (font->charset) {
                FcCharSetDestroy(font->charset);
            }
        }
        if (ft) {
            FT_Done_FreeType(ft);
        }
        if (config) {
            FcConfigDestroy(config);
        }
    }

    Font* Load(const std::string& file, int index, const FcCharSet* charset) {
        auto key = std::make_pair(file, index);
        auto it = fonts.find(key);
        if (it != fonts.end()) {
            return it->second->face ? it->second.get() : nullptr;
        }
        std::unique_ptr<Font> font(new Font());
        Font* f = font.get();
        fonts[key] = std::move(font);
        if (FT_New_Face(ft, file.c_str(), index, &f->face) != 0) {
            f->face = nullptr;
            return nullptr;
        }
        if (!FT_IS_SCALABLE(f->face)) {
            FT_Done_Face(f->face);
            f->face = nullptr;
            return nullptr;
        }
        hb_blob_t* blob = hb_blob_create_from_file(file.c_str());
        f->hbFace = hb_face_create(blob, unsigned(index));
        hb_blob_destroy(blob);
        f->hbFont = hb_font_create(f->hbFace);
        f->upem = f->face->units_per_EM > 0 ? f->face->units_per_EM : hb_face_get_upem(f->hbFace);
        hb_font_set_scale(f->hbFont, int(f->upem), int(f->upem));
        if (charset) {
            f->charset = FcCharSetCopy(const_cast<FcCharSet*>(charset));
        }
        return f;
    }

    Chain* GetChain(const FontRequest& r) {
        auto it = chains.find(r);
        if (it != chains.end()) {
            return &it->second;
        }
        Chain& chain = chains[r];
        FcPattern* pattern = FcPatternCreate();
        for (const std::string& family : Families(r.families)) {
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        }
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(r.weight));
        FcPatternAddInteger(pattern, FC_SLANT,
                            r.style == 1 ? FC_SLANT_ITALIC
                                         : (r.style == 2 ? FC_SLANT_OBLIQUE : FC_SLANT_ROMAN));
        FcPatternAddInteger(pattern, FC_WIDTH, r.stretch);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        FcFontSet* set = FcFontSort(config, pattern, FcTrue, nullptr, &result);
        if (set != nullptr) {
            for (int i = 0; i < set->nfont && chain.fonts.size() < 24; ++i) {
                FcChar8* file = nullptr;
                int index = 0;
                FcCharSet* charset = nullptr;
                if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) {
                    continue;
                }
                FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
                FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &charset);
                Font* f = Load(reinterpret_cast<const char*>(file), index, charset);
                if (f != nullptr) {
                    chain.fonts.push_back(f);
                }
            }
            FcFontSetDestroy(set);
        }
        FcPatternDestroy(pattern);
        return &chain;
    }

    const Path& Outline(Font* f, uint32_t glyph) {
        auto it = f->outlines.find(glyph);
        if (it != f->outlines.end()) {
            return it->second;
        }
        Path& p = f->outlines[glyph];
        if (FT_Load_Glyph(f->face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) ==
                0 &&
            f->face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Outline_Funcs funcs = {MoveToCb, LineToCb, ConicToCb, CubicToCb, 0, 0};
            OutlineBuilder b{&p, false};
            FT_Outline_Decompose(&f->face->glyph->outline, &funcs, &b);
            if (b.open) {
                p.Close();
            }
        }
        return p;
    }
};

TextShaper::TextShaper() : impl(new Impl()) {
    if (FT_Init_FreeType(&impl->ft) != 0) {
        impl->ft = nullptr;
        return;
    }
    impl->config = FcInitLoadConfigAndFonts();
}

TextShaper::~TextShaper() = default;

bool TextShaper::Ready() const { return impl->ft != nullptr && impl->config != nullptr; }

bool TextShaper::Shape(const std::u32string& text, const FontRequest& request, double size,
                       std::vector<ShapedGlyph>* glyphs, double* advance) {
    glyphs->clear();
    *advance = 0;
    if (!Ready()) {
        return false;
    }
    Chain* chain = impl->GetChain(request);
    if (chain->fonts.empty()) {
        return false;
    }
    // Each character's font: the first of the chain that has it.
    std::vector<size_t> which(text.size(), 0);
    for (size_t i = 0; i < text.size(); ++i) {
        for (size_t k = 0; k < chain->fonts.size(); ++k) {
            Font* f = chain->fonts[k];
            if (f->charset != nullptr && FcCharSetHasChar(f->charset, FcChar32(text[i]))) {
                which[i] = k;
                break;
            }
        }
    }
    // Combining marks and joiners stay with the font of the character before them.
    for (size_t i = 1; i < text.size(); ++i) {
        char32_t c = text[i];
        bool joins = (c >= 0x300 && c <= 0x36F) || c == 0x200D || c == 0x200C ||
                     (c >= 0xFE00 && c <= 0xFE0F);
        if (joins) {
            which[i] = which[i - 1];
        }
    }
    double pen = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start + 1;
        while (end < text.size() && which[end] == which[start]) {
            ++end;
        }
        Font* f = chain->fonts[which[start]];
        double scale = size / f->upem;
        hb_buffer_t* buffer = hb_buffer_create();
        hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(text.data()), int(text.size()),
                            unsigned(start), int(end - start));
        hb_buffer_guess_segment_properties(buffer);
        hb_shape(f->hbFont, buffer, nullptr, 0);
        unsigned count = 0;
        hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
        hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
        for (unsigned g = 0; g < count; ++g) {
            ShapedGlyph sg;
            const Path& outline = impl->Outline(f, info[g].codepoint);
            // Font units (y up) to user units (y down) at the pen position.
            Matrix m{scale, 0, 0, -scale, double(pos[g].x_offset) * scale,
                     -double(pos[g].y_offset) * scale};
            sg.outline = outline.Transformed(m);
            sg.x = pen;
            sg.y = 0;
            sg.advance = double(pos[g].x_advance) * scale;
            sg.cluster = info[g].cluster;
            pen += sg.advance;
            glyphs->push_back(std::move(sg));
        }
        hb_buffer_destroy(buffer);
        start = end;
    }
    *advance = pen;
    return true;
}

bool TextShaper::Metrics(const FontRequest& request, FontMetrics* metrics) {
    if (!Ready()) {
        return false;
    }
    Chain* chain = impl->GetChain(request);
    if (chain->fonts.empty()) {
        return false;
    }
    Font* f = chain->fonts[0];
    FT_Face face = f->face;
    double u = f->upem;
    metrics->ascent = double(face->ascender) / u;
    metrics->descent = -double(face->descender) / u;
    if (face->underline_thickness > 0) {
        metrics->underlinePosition = double(face->underline_position) / u;
        metrics->underlineThickness = double(face->underline_thickness) / u;
    }
    TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->yStrikeoutSize > 0) {
        metrics->strikeoutPosition = double(os2->yStrikeoutPosition) / u;
        metrics->strikeoutThickness = double(os2->yStrikeoutSize) / u;
    } else {
        metrics->strikeoutThickness = metrics->underlineThickness;
    }
    return true;
}

} // namespace vemo::svg

// fontconfig keeps a few bytes of its configuration parse for the life of the process; the
// leak checker of sanitized builds is told so, rather than every program that converts text
// failing at exit; and it keeps quiet about it, so that such a program prints what it would
// print unsanitized.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
