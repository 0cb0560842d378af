#include "app/options/extra_options_model.h"

#include <algorithm>
#include <cmath>

#include "app/options/option_settings.h"

namespace orvane::options {

QString GroupStatus::text() const { return QStringLiteral("%1 din %2 active").arg(on).arg(size); }

QString GroupStatus::buttonTitle() const {
    return allOn() ? QStringLiteral("Deselectează grupul") : QStringLiteral("Selectează grupul");
}

const std::vector<CropModeEntry>& cropModeTitles() {
    using M = CropSettings::Mode;
    static const std::vector<CropModeEntry> table = {
        {M::none, "Fără decupare", "Fotografiile nu se decupează."},
        {M::original, "Raport original",
         "Păstrează strict raportul fotografiei originale, inclusiv la îndreptare și reîncadrare."},
        {M::ratio, "Raport fix", "Format din listă, decupare centrată."},
        {M::custom, "Raport personalizat", "Lățime : înălțime, și pe cadrele verticale."},
        {M::bottom, "Decupare jos (grupuri)",
         "Reduce spațiul de sub picioare și strânge lateral proporțional. Raportul original se păstrează."}};
    return table;
}

ExtraOptionsModel::ExtraOptionsModel(OptionsBinding& binding, bool disabled, bool mergeFirstGroup, bool framed,
                                     QObject* parent)
    : QObject(parent), binding_(binding), disabled_(disabled), mergeFirstGroup_(mergeFirstGroup), framed_(framed) {
    connect(&binding_, &OptionsBinding::changed, this, &ExtraOptionsModel::changed);
}

void ExtraOptionsModel::setDisabled(bool disabled) {
    if (disabled_ == disabled) return;
    disabled_ = disabled;
    emit changed();
}

const std::vector<OptionRow>& ExtraOptionsModel::firstGroupRows() {
    static const std::vector<OptionRow> rows = {
        {keys::profile, "Corecție profil obiectiv", "camera.aperture",
         "Bifează „Enable Profile Corrections” în Lightroom; profilul obiectivului îl alege Lightroom. Corectează "
         "distorsiunea și vignetarea.",
         false},
        {keys::noise, "Reducere zgomot", "waveform",
         "Aplică reducerea zgomotului de la ISO 1600 inclusiv și o crește progresiv la ISO mai mare; sub ISO 1600 "
         "rămâne cea din presetul tău.",
         false},
        {keys::straighten, "Îndreptare", "level",
         "Îndreaptă cadrele înclinate; doar cele cu linii lungi și clare, restul rămân neatinse.", false}};
    return rows;
}

const std::vector<OptionRow>& ExtraOptionsModel::allRetouchRows() {
    static const std::vector<OptionRow> all = {
        {keys::skin, "Netezire piele", "face.smiling",
         "Reduce textura și claritatea pe fețe (fără ochi, sprâncene, buze); apare în Lightroom ca mască de pensulă, "
         "cu intensitate reglabilă.",
         false},
        {keys::subject, "Mască subiect", "person.crop.rectangle",
         "Creează în Lightroom o mască pe persoanele din cadru, separată de fundal. Nu schimbă nimic singură: alegi "
         "tu în Lightroom ce ajustezi pe ea.",
         false},
        {keys::faceLevel, "Egalizează fețele", "sun.max",
         "Ajustează expunerea fiecărei fotografii după fețele din prim-planul ei, ca să ajungă la o luminozitate "
         "corectă a pielii; schimbă Exposure-ul fotografiei, fără măști.",
         true},
        {keys::teeth, "Albire dinți", "mouth",
         "La fotografiile cu zâmbet; apare în Lightroom ca mască de pensulă, cu intensitate reglabilă.", true},
        {keys::smart, "Reîncadrare inteligentă", "viewfinder",
         "Strânge cadrul în jurul persoanelor (mai puțin spațiu deasupra) și scoate persoana tăiată de margine, fără "
         "să taie capete sau mâini. Are prioritate față de decuparea de mai jos.",
         true}};
    return all;
}

std::vector<OptionRow> ExtraOptionsModel::retouchRows() const {
    const auto& all = allRetouchRows();
    if (showBeta()) return all;
    return {all[0], all[1]};
}

const OptionRow& ExtraOptionsModel::betaSwitchRow() {
    static const OptionRow row{keys::showBeta, "Afișează funcțiile beta", "flask",
                               "Funcțiile beta sunt în testare: pot da rezultate mai puțin precise.", false};
    return row;
}

const std::vector<SliderSpec>& ExtraOptionsModel::skinSliders() {
    static const std::vector<SliderSpec> sliders = {{keys::skinTexture, "Textură", 0, 100, skinParamBase},
                                                    {keys::skinClarity, "Claritate", 0, 100, skinParamBase},
                                                    {keys::skinSharpness, "Ascuțime", 0, 100, skinParamBase}};
    return sliders;
}

const SliderSpec& ExtraOptionsModel::faceLevelSlider() {
    static const SliderSpec s{keys::faceLevelAmount, "Intensitate", 1, 100, faceLevelAmountBase};
    return s;
}

const SliderSpec& ExtraOptionsModel::teethSlider() {
    static const SliderSpec s{keys::teethAmount, "Intensitate", 1, 100, teethAmountBase};
    return s;
}

std::vector<SliderSpec> ExtraOptionsModel::slidersOf(const std::string& key) {
    if (key == keys::skin) return skinSliders();
    if (key == keys::faceLevel) return {faceLevelSlider()};
    if (key == keys::teeth) return {teethSlider()};
    return {};
}

std::vector<std::string> ExtraOptionsModel::firstGroup() const { return {keys::profile, keys::noise, keys::straighten}; }

std::vector<std::string> ExtraOptionsModel::retouchGroup() const {
    std::vector<std::string> group;
    for (const auto& row : retouchRows()) group.emplace_back(row.key);
    return group;
}

GroupStatus ExtraOptionsModel::status(const std::vector<std::string>& group) const {
    GroupStatus s;
    s.size = static_cast<int>(group.size());
    for (const auto& key : group) s.on += isOn(key) ? 1 : 0;
    return s;
}

void ExtraOptionsModel::pressGroupButton(const std::vector<std::string>& group) {
    if (disabled_) return;
    const bool allOn = status(group).allOn();
    for (const auto& key : group) binding_.setBoolean(key, !allOn);
}

void ExtraOptionsModel::toggle(const std::string& key) {
    if (disabled_) return;
    binding_.setBoolean(key, !isOn(key));
}

void ExtraOptionsModel::setShowBeta(bool on) {
    if (disabled_) return;
    binding_.setBoolean(keys::showBeta, on);
}

void ExtraOptionsModel::appeared() {
    if (retouchOpen_) return;
    retouchOpen_ = true;
    emit changed();
}

void ExtraOptionsModel::toggleRetouch() {
    if (disabled_) return;
    retouchOpen_ = !retouchOpen_;
    emit changed();
}

void ExtraOptionsModel::setShowGuide(bool show) {
    if (show == showGuide_ || (show && disabled_)) return;
    showGuide_ = show;
    emit changed();
}

double ExtraOptionsModel::sliderValue(const SliderSpec& s) const { return binding_.number(s.key, s.base); }

QString ExtraOptionsModel::sliderText(double value, const SliderSpec& s) {
    // Whatever the settings import stored, the row shows a whole number: a value without one (not
    // finite, or beyond a 64-bit integer) shows the slider's end, NaN its base.
    if (std::isnan(value)) value = s.base;
    if (!std::isfinite(value) || std::fabs(value) >= 9.0e18) value = std::clamp(value, s.min, s.max);
    return QString::number(static_cast<long long>(std::trunc(value)));
}

void ExtraOptionsModel::setSlider(const SliderSpec& s, double value) {
    if (disabled_ || !std::isfinite(value)) return;
    binding_.setNumber(s.key, std::clamp(std::round(value), s.min, s.max));
}

void ExtraOptionsModel::resetSlider(const SliderSpec& s) {
    if (disabled_) return;
    binding_.setNumber(s.key, s.base);
}

CropSettings::Mode ExtraOptionsModel::cropMode() const { return cropOption(binding_.defaults()).mode; }

const CropModeEntry& ExtraOptionsModel::cropEntry() const {
    const auto mode = cropMode();
    for (const auto& e : cropModeTitles())
        if (e.mode == mode) return e;
    return cropModeTitles().front();
}

void ExtraOptionsModel::setCropMode(CropSettings::Mode mode) {
    if (disabled_) return;
    binding_.setText(keys::cropMode, std::string(toText(mode)));
}

std::string ExtraOptionsModel::cropRatio() const { return binding_.text(keys::cropRatio, cropRatioDefault); }

void ExtraOptionsModel::setCropRatio(const std::string& label) {
    if (disabled_) return;
    binding_.setText(keys::cropRatio, label);
}

double ExtraOptionsModel::customSide(bool width) const {
    return width ? cropOption(binding_.defaults()).customW : cropOption(binding_.defaults()).customH;
}

QString ExtraOptionsModel::customSideText(bool width, const QLocale& locale) const {
    return locale.toString(customSide(width), 'g', 6);
}

bool ExtraOptionsModel::commitCustomSide(bool width, const QString& text, const QLocale& locale) {
    if (disabled_) return false;
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || value <= 0) return false;
    binding_.setNumber(width ? keys::cropW : keys::cropH, value);
    return true;
}

}  // namespace orvane::options
