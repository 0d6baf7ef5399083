#include <FL/Fl.H>
#include <fontconfig/fontconfig.h>
#include <memory>
#include <string>

#include "ui/fltk_session.h"

namespace ordo::detail {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

// The sans-serif family that the machine's font set offers for Korean, if any offers it.
std::string KoreanSansFamily() {
    if (FcInit() == FcFalse) return {};
    Pattern wanted(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ko")));
    if (!wanted) return {};
    FcConfigSubstitute(nullptr, wanted.get(), FcMatchPattern);
    FcDefaultSubstitute(wanted.get());
    FcResult result = FcResultNoMatch;
    Pattern found(FcFontMatch(nullptr, wanted.get(), &result));
    if (!found) return {};
    FcLangSet* langs = nullptr;
    FcChar8* family = nullptr;
    // A match is always returned; it only serves when it really holds Hangul.
    if (FcPatternGetLangSet(found.get(), FC_LANG, 0, &langs) != FcResultMatch ||
        FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ko")) == FcLangDifferentLang)
        return {};
    if (FcPatternGetString(found.get(), FC_FAMILY, 0, &family) != FcResultMatch) return {};
    return reinterpret_cast<const char*>(family);
}

}  // namespace

void UseKoreanCapableFonts() {
    // FLTK draws each text with one font and no fallback, and its default sans-serif face
    // usually has no Hangul: the texts this program shows would come out as boxes.
    static const std::string family = KoreanSansFamily();
    if (family.empty()) return;
    // FLTK's font names begin with a style letter: blank plain, B bold, I italic, P both.
    static const std::string plain = " " + family, bold = "B" + family, italic = "I" + family,
                             boldItalic = "P" + family;
    Fl::set_font(FL_HELVETICA, plain.c_str());
    Fl::set_font(FL_HELVETICA_BOLD, bold.c_str());
    Fl::set_font(FL_HELVETICA_ITALIC, italic.c_str());
    Fl::set_font(FL_HELVETICA_BOLD_ITALIC, boldItalic.c_str());
}

}  // namespace ordo::detail
