#pragma once
// The editing options as flat keys of the user-defaults store: readers that turn what is stored into
// what a job takes, the writers (reset, level, copy from a project), the one-line summary, and the one
// order in which every screen hands the options to a job. Stateless: the store is read at every call.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/defaults.h"
#include "core/photo/analysis_records.h"
#include "core/store/options_target.h"
#include "core/store/project.h"

namespace orvane::options {

namespace keys {
inline constexpr const char* straighten = "option.straighten";
inline constexpr const char* profile = "option.profile";
inline constexpr const char* noise = "option.noise";
inline constexpr const char* skin = "option.skin";
inline constexpr const char* subject = "option.subject";
inline constexpr const char* teeth = "option.teeth";
inline constexpr const char* teethAmount = "option.teeth.amount";
inline constexpr const char* faceLevel = "option.facelevel";
inline constexpr const char* faceLevelAmount = "option.facelevel.amount";
inline constexpr const char* smart = "option.smart";
inline constexpr const char* skinTexture = "option.skin.texture";
inline constexpr const char* skinClarity = "option.skin.clarity";
inline constexpr const char* skinSharpness = "option.skin.sharpness";
inline constexpr const char* cropMode = "option.crop.mode";
inline constexpr const char* cropRatio = "option.crop.ratio";
inline constexpr const char* cropW = "option.crop.w";
inline constexpr const char* cropH = "option.crop.h";
inline constexpr const char* showBeta = "showBeta";
inline constexpr const char* rememberOptions = "rememberOptions";
inline constexpr const char* openOptionsOnStart = "openOptionsOnStart";
}  // namespace keys

// Reader defaults of the number keys.
inline constexpr double teethAmountBase = 42;
inline constexpr double faceLevelAmountBase = 70;
inline constexpr double skinParamBase = 10;
inline constexpr const char* cropRatioDefault = "3:2";
inline constexpr double cropWDefault = 3.0;
inline constexpr double cropHDefault = 2.0;

// Every key the panels bind to, gates included.
const std::vector<std::string>& allOptionKeys();

enum class Level { none, recommended, complete, custom };
std::string_view toText(Level level);
std::optional<Level> levelFromText(std::string_view text);

// The five level options in their fixed order: profile, noise, straighten, skin, subject.
struct LevelOptions {
    bool profile = false, noise = false, straighten = false, skin = false, subject = false;
};
Level classify(const LevelOptions& o);

// --- readers ---
// The stored Boolean; anything else (absent, a number, a text) reads as false.
bool boolOption(const Defaults& d, const std::string& key);
// The stored number rounded half away from zero, or `fallback` when absent, not a number or not
// finite; a value beyond what an integer holds is clamped first.
std::int64_t intOption(const Defaults& d, const std::string& key, double fallback);
bool straightenOption(const Defaults& d);
bool profileCorrectionOption(const Defaults& d);
bool noiseReductionOption(const Defaults& d);
// Mode compared with the five raw values exactly (none otherwise); ratio and sides as stored, a
// side that is absent, not a number or not finite reads as its default.
CropSettings cropOption(const Defaults& d);
// 0 unless "showBeta" and the option are on; else the amount rounded and clamped to 1...100.
std::int64_t teethAmountOption(const Defaults& d);
std::int64_t faceLevelAmountOption(const Defaults& d);
std::int64_t skinAmountOption(const Defaults& d);         // 100 when on, else 0
std::int64_t subjectMaskAmountOption(const Defaults& d);  // 100 when on, else 0
bool smartReframeOption(const Defaults& d);
SkinParams skinParamsOption(const Defaults& d);  // rounded, not clamped
LevelOptions levelOptions(const Defaults& d);
Level currentOptionLevel(const Defaults& d);
// "Doar editarea de bază: …" or "Pe lângă editarea de bază, include …".
std::string optionsSummary(const Defaults& d);
// The phrase list of the summary: "a", "a și b", "a, b și c".
std::string joinPhrases(const std::vector<std::string>& phrases);

// --- writers ---
// The start values (level recommended, beta off, amounts at base), unless "rememberOptions" is on.
// The crop ratio and sides keep their values.
void resetOptionsUnlessRemembered(Defaults& d);
// Writes the five level options in the order profile, noise, straighten, skin, subject; custom
// writes nothing.
void applyOptionLevel(Defaults& d, Level level);
// Copies the options saved in a project back into the keys ("showBeta" and "rememberOptions" stay).
void storeOptions(Defaults& d, const Project& project);

// The one order in which the options reach a job: straighten, lens correction, noise, crop, teeth,
// skin, face level, subject mask, skin parameters, smart reframing.
void applyOptionSettings(const Defaults& d, OptionsTarget& target);

}  // namespace orvane::options
