#include "app/options/option_settings.h"

#include <algorithm>
#include <cmath>

namespace orvane::options {

const std::vector<std::string>& allOptionKeys() {
    static const std::vector<std::string> all = {
        keys::straighten,  keys::profile,       keys::noise,       keys::skin,          keys::subject,
        keys::teeth,       keys::teethAmount,   keys::faceLevel,   keys::faceLevelAmount, keys::smart,
        keys::skinTexture, keys::skinClarity,   keys::skinSharpness, keys::cropMode,    keys::cropRatio,
        keys::cropW,       keys::cropH,         keys::showBeta,    keys::rememberOptions};
    return all;
}

std::string_view toText(Level level) {
    switch (level) {
        case Level::none: return "none";
        case Level::recommended: return "recommended";
        case Level::complete: return "complete";
        case Level::custom: return "custom";
    }
    return "custom";
}

std::optional<Level> levelFromText(std::string_view text) {
    for (Level l : {Level::none, Level::recommended, Level::complete, Level::custom})
        if (toText(l) == text) return l;
    return std::nullopt;
}

Level classify(const LevelOptions& o) {
    const bool others = o.straighten || o.skin || o.subject;
    if (!o.profile && !o.noise && !others) return Level::none;
    if (!o.profile || !o.noise) return Level::custom;
    if (!others) return Level::recommended;
    if (o.straighten && o.skin && o.subject) return Level::complete;
    return Level::custom;
}

bool boolOption(const Defaults& d, const std::string& key) { return d.boolValue(key).value_or(false); }

namespace {

// A stored number usable as a double: finite, else absent.
std::optional<double> finiteNumber(const Defaults& d, const std::string& key) {
    const auto v = d.numberValue(key);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

std::int64_t roundClamped(double v) {
    // Inside the range of a 64-bit integer, so the conversion is defined.
    constexpr double limit = 9.0e18;
    return static_cast<std::int64_t>(std::round(std::clamp(v, -limit, limit)));
}

std::int64_t gatedAmount(const Defaults& d, const char* onKey, const char* amountKey, double base) {
    if (!boolOption(d, keys::showBeta) || !boolOption(d, onKey)) return 0;
    return std::clamp<std::int64_t>(intOption(d, amountKey, base), 1, 100);
}

}  // namespace

std::int64_t intOption(const Defaults& d, const std::string& key, double fallback) {
    return roundClamped(finiteNumber(d, key).value_or(fallback));
}

bool straightenOption(const Defaults& d) { return boolOption(d, keys::straighten); }
bool profileCorrectionOption(const Defaults& d) { return boolOption(d, keys::profile); }
bool noiseReductionOption(const Defaults& d) { return boolOption(d, keys::noise); }

CropSettings cropOption(const Defaults& d) {
    CropSettings c;
    if (const auto mode = d.textValue(keys::cropMode); !mode || !fromText(*mode, c.mode)) c.mode = CropSettings::Mode::none;
    c.ratio = d.textValue(keys::cropRatio).value_or(cropRatioDefault);
    c.customW = finiteNumber(d, keys::cropW).value_or(cropWDefault);
    c.customH = finiteNumber(d, keys::cropH).value_or(cropHDefault);
    return c;
}

std::int64_t teethAmountOption(const Defaults& d) {
    return gatedAmount(d, keys::teeth, keys::teethAmount, teethAmountBase);
}
std::int64_t faceLevelAmountOption(const Defaults& d) {
    return gatedAmount(d, keys::faceLevel, keys::faceLevelAmount, faceLevelAmountBase);
}
std::int64_t skinAmountOption(const Defaults& d) { return boolOption(d, keys::skin) ? 100 : 0; }
std::int64_t subjectMaskAmountOption(const Defaults& d) { return boolOption(d, keys::subject) ? 100 : 0; }
bool smartReframeOption(const Defaults& d) { return boolOption(d, keys::showBeta) && boolOption(d, keys::smart); }

SkinParams skinParamsOption(const Defaults& d) {
    return SkinParams{intOption(d, keys::skinTexture, skinParamBase), intOption(d, keys::skinClarity, skinParamBase),
                      intOption(d, keys::skinSharpness, skinParamBase)};
}

LevelOptions levelOptions(const Defaults& d) {
    return LevelOptions{boolOption(d, keys::profile), boolOption(d, keys::noise), boolOption(d, keys::straighten),
                        boolOption(d, keys::skin), boolOption(d, keys::subject)};
}

Level currentOptionLevel(const Defaults& d) { return classify(levelOptions(d)); }

std::string joinPhrases(const std::vector<std::string>& phrases) {
    if (phrases.empty()) return {};
    std::string list;
    for (std::size_t i = 0; i + 1 < phrases.size(); ++i) list += (i ? ", " : "") + phrases[i];
    if (phrases.size() == 1) return phrases.front();
    return list + " și " + phrases.back();
}

std::string optionsSummary(const Defaults& d) {
    static const std::pair<const char*, const char*> table[] = {{keys::profile, "corecția obiectivului"},
                                                               {keys::noise, "reducerea zgomotului"},
                                                               {keys::straighten, "îndreptarea"},
                                                               {keys::skin, "netezirea pielii"},
                                                               {keys::subject, "masca subiectului"}};
    std::vector<std::string> phrases;
    for (const auto& [key, phrase] : table)
        if (boolOption(d, key)) phrases.emplace_back(phrase);
    if (phrases.empty()) return "Doar editarea de bază: expunere și temperatură";
    return "Pe lângă editarea de bază, include " + joinPhrases(phrases);
}

void resetOptionsUnlessRemembered(Defaults& d) {
    if (d.boolValue(keys::rememberOptions).value_or(false)) return;
    d.set(keys::straighten, false);
    d.set(keys::profile, true);
    d.set(keys::noise, true);
    d.set(keys::teeth, false);
    d.set(keys::skin, false);
    d.set(keys::faceLevel, false);
    d.set(keys::subject, false);
    d.set(keys::smart, false);
    d.set(keys::showBeta, false);
    d.set(keys::cropMode, "none");
    d.set(keys::skinTexture, skinParamBase);
    d.set(keys::skinClarity, skinParamBase);
    d.set(keys::skinSharpness, skinParamBase);
    d.set(keys::teethAmount, teethAmountBase);
    d.set(keys::faceLevelAmount, faceLevelAmountBase);
}

void applyOptionLevel(Defaults& d, Level level) {
    if (level == Level::custom) return;
    const bool all = level == Level::complete;
    const bool base = level != Level::none;
    d.set(keys::profile, base);
    d.set(keys::noise, base);
    d.set(keys::straighten, all);
    d.set(keys::skin, all);
    d.set(keys::subject, all);
}

void storeOptions(Defaults& d, const Project& p) {
    const auto positive = [](const std::optional<std::int64_t>& v, std::int64_t from) { return v && *v >= from; };
    d.set(keys::straighten, p.straightenRequested.value_or(false));
    d.set(keys::profile, p.profileCorrection.value_or(false));
    d.set(keys::noise, p.noiseReduction.value_or(false));
    d.set(keys::teeth, positive(p.teethAmount, 1));
    d.set(keys::skin, positive(p.skinAmount, 1));
    const SkinParams skin = p.skinParams.value_or(SkinParams{});
    d.set(keys::skinTexture, static_cast<double>(skin.texture));
    d.set(keys::skinClarity, static_cast<double>(skin.clarity));
    d.set(keys::skinSharpness, static_cast<double>(skin.sharpness));
    d.set(keys::faceLevel, positive(p.faceLevelAmount, 1));
    d.set(keys::faceLevelAmount,
          positive(p.faceLevelAmount, 1) ? static_cast<double>(*p.faceLevelAmount) : faceLevelAmountBase);
    d.set(keys::subject, positive(p.subjectMaskAmount, 1));
    d.set(keys::smart, p.smartReframe.value_or(false));
    d.set(keys::teethAmount, positive(p.teethAmount, 1) ? static_cast<double>(*p.teethAmount) : teethAmountBase);
    const CropSettings crop = p.crop.value_or(CropSettings{});
    d.set(keys::cropMode, std::string(toText(crop.mode)));
    d.set(keys::cropRatio, crop.ratio);
    d.set(keys::cropW, crop.customW);
    d.set(keys::cropH, crop.customH);
}

void applyOptionSettings(const Defaults& d, OptionsTarget& target) {
    target.setStraightenRequested(straightenOption(d));
    target.setProfileCorrection(profileCorrectionOption(d));
    target.setNoiseReduction(noiseReductionOption(d));
    target.setCrop(cropOption(d));
    target.setTeethAmount(teethAmountOption(d));
    target.setSkinAmount(skinAmountOption(d));
    target.setFaceLevelAmount(faceLevelAmountOption(d));
    target.setSubjectMaskAmount(subjectMaskAmountOption(d));
    target.setSkinParams(skinParamsOption(d));
    target.setSmartReframe(smartReframeOption(d));
}

}  // namespace orvane::options
