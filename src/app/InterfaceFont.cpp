#include "app/InterfaceFont.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <tuple>

namespace velmora {

const std::vector<std::string>& PreferredInterfaceFamilies() {
    static const std::vector<std::string> families = {
        "Noto Sans CJK SC",    "Source Han Sans SC",  "Source Han Sans CN",
        "Noto Sans SC",        "WenQuanYi Micro Hei", "WenQuanYi Zen Hei",
        "Droid Sans Fallback", "AR PL UMing CN",      "AR PL UKai CN"};
    return families;
}

std::optional<FontFace> ChooseInterfaceFace(const std::vector<FontFace>& faces) {
    const auto& preferred = PreferredInterfaceFamilies();
    // Smaller keys are better.
    auto key = [&](const FontFace& f) {
        auto it = std::find(preferred.begin(), preferred.end(), f.family);
        return std::make_tuple(static_cast<size_t>(it - preferred.begin()), !f.simplifiedChinese,
                               f.monospace, !f.upright, std::abs(f.weight - 80), f.family, f.style);
    };
    const FontFace* best = nullptr;
    for (const FontFace& f : faces) {
        if (!f.coversSample || f.family.empty())
            continue;
        if (!best || key(f) < key(*best))
            best = &f;
    }
    if (!best)
        return std::nullopt;
    return *best;
}

namespace {

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};

std::string StringOf(FcPattern* p, const char* object) {
    FcChar8* s = nullptr;
    if (FcPatternGetString(p, object, 0, &s) != FcResultMatch || !s)
        return {};
    return reinterpret_cast<const char*>(s);
}

int IntOf(FcPattern* p, const char* object, int fallback) {
    int v = 0;
    return FcPatternGetInteger(p, object, 0, &v) == FcResultMatch ? v : fallback;
}

}  // namespace

std::vector<FontFace> InstalledFaces() {
    std::vector<FontFace> out;
    if (!FcInit())
        return out;
    std::unique_ptr<FcPattern, PatternDeleter> all(FcPatternCreate());
    std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
        FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FILE, FC_CHARSET, FC_LANG, FC_SPACING, FC_SLANT,
                         FC_WEIGHT, static_cast<char*>(nullptr)));
    if (!all || !objects)
        return out;
    std::unique_ptr<FcFontSet, FontSetDeleter> set(FcFontList(nullptr, all.get(), objects.get()));
    if (!set)
        return out;
    out.reserve(static_cast<size_t>(set->nfont));
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* p = set->fonts[i];
        FontFace f;
        f.family = StringOf(p, FC_FAMILY);
        f.style = StringOf(p, FC_STYLE);
        f.file = StringOf(p, FC_FILE);
        FcCharSet* chars = nullptr;
        if (FcPatternGetCharSet(p, FC_CHARSET, 0, &chars) == FcResultMatch && chars) {
            f.coversSample = std::all_of(
                std::begin(kInterfaceSample), std::end(kInterfaceSample),
                [&](char32_t c) { return FcCharSetHasChar(chars, static_cast<FcChar32>(c)); });
        }
        FcLangSet* langs = nullptr;
        if (FcPatternGetLangSet(p, FC_LANG, 0, &langs) == FcResultMatch && langs)
            f.simplifiedChinese =
                FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("zh-cn")) == FcLangEqual;
        f.monospace = IntOf(p, FC_SPACING, FC_PROPORTIONAL) == FC_MONO;
        f.upright = IntOf(p, FC_SLANT, FC_SLANT_ROMAN) == FC_SLANT_ROMAN;
        f.weight = IntOf(p, FC_WEIGHT, FC_WEIGHT_REGULAR);
        out.push_back(std::move(f));
    }
    return out;
}

std::string NoChineseFontMessage() {
    return "未找到能显示中文的字体，界面上的中文会显示为方框。"
           "请安装中文字体，例如：sudo apt-get install fonts-noto-cjk";
}

}  // namespace velmora
