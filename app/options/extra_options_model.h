#pragma once
// The state behind the panel "Opțiuni suplimentare": its groups with their status and select
// button, the option rows, the slider rows with reset and the crop section. It keeps no copy of an
// option: every read goes to the store and every change is written at once; `changed` follows writes
// made anywhere else. While `disabled` nothing here writes.
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include "app/options/options_binding.h"
#include "core/photo/analysis_records.h"

namespace orvane::options {

// One on/off row of the panel.
struct OptionRow {
    const char* key;
    const char* title;
    const char* symbol;
    const char* help;
    bool beta;
};

// One slider row: its key, title, range and the value its reset restores.
struct SliderSpec {
    const char* key;
    const char* title;
    double min;
    double max;
    double base;
};

struct GroupStatus {
    int on = 0;
    int size = 0;
    bool allOn() const { return on == size; }
    QString text() const;         // "2 din 3 active"
    QString buttonTitle() const;  // "Selectează grupul" / "Deselectează grupul"
};

// The crop modes in menu order with their titles and help texts.
struct CropModeEntry {
    CropSettings::Mode mode;
    const char* title;
    const char* help;
};
const std::vector<CropModeEntry>& cropModeTitles();

class ExtraOptionsModel : public QObject {
    Q_OBJECT
public:
    ExtraOptionsModel(OptionsBinding& binding, bool disabled, bool mergeFirstGroup, bool framed,
                      QObject* parent = nullptr);

    OptionsBinding& binding() const { return binding_; }
    bool disabled() const { return disabled_; }
    void setDisabled(bool disabled);
    bool mergeFirstGroup() const { return mergeFirstGroup_; }
    bool framed() const { return framed_; }

    static const std::vector<OptionRow>& firstGroupRows();
    // Skin, subject, then (only with "showBeta") face level, teeth and smart reframing.
    std::vector<OptionRow> retouchRows() const;
    // All five, the beta ones included, whatever "showBeta" holds.
    static const std::vector<OptionRow>& allRetouchRows();
    static const OptionRow& betaSwitchRow();
    static const std::vector<SliderSpec>& skinSliders();
    static const SliderSpec& faceLevelSlider();
    static const SliderSpec& teethSlider();
    // The sliders a row shows while on (none for most rows).
    static std::vector<SliderSpec> slidersOf(const std::string& key);

    std::vector<std::string> firstGroup() const;
    std::vector<std::string> retouchGroup() const;
    GroupStatus status(const std::vector<std::string>& group) const;
    // A group with any option off is switched fully on; a fully-on group fully off, in list order.
    void pressGroupButton(const std::vector<std::string>& group);

    bool isOn(const std::string& key) const { return binding_.boolean(key); }
    void toggle(const std::string& key);
    bool showBeta() const { return binding_.boolean("showBeta"); }
    void setShowBeta(bool on);

    // The smart-retouch group opens each time the panel comes on screen; a tap on its header flips it.
    bool retouchOpen() const { return retouchOpen_; }
    void appeared();
    void toggleRetouch();

    // The usage guide, read over the panel ("Cum se combină?"); closing it only clears this.
    bool showGuide() const { return showGuide_; }
    void setShowGuide(bool show);

    // Slider rows: the stored value (the base when absent or not a number), the whole-number text
    // (the integer part; one without a whole-number form shows the range's end), and reset.
    double sliderValue(const SliderSpec& s) const;
    static QString sliderText(double value, const SliderSpec& s);
    bool canReset(const SliderSpec& s) const { return sliderValue(s) != s.base; }
    void setSlider(const SliderSpec& s, double value);  // whole numbers inside the range
    void resetSlider(const SliderSpec& s);

    // Crop section.
    CropSettings::Mode cropMode() const;  // any unknown text is none
    const CropModeEntry& cropEntry() const;
    bool cropHighlighted() const { return cropMode() != CropSettings::Mode::none; }
    void setCropMode(CropSettings::Mode mode);
    std::string cropRatio() const;
    void setCropRatio(const std::string& label);
    double customSide(bool width) const;
    // The text of a side field in `locale` (a decimal comma in Romanian).
    QString customSideText(bool width, const QLocale& locale) const;
    // Stores a side typed in `locale`; text that is no number, zero, negative or not finite is
    // refused and the key keeps its value. Returns whether it was stored.
    bool commitCustomSide(bool width, const QString& text, const QLocale& locale);

signals:
    // An option key changed (from here or elsewhere), or the panel's own state did.
    void changed();

private:
    OptionsBinding& binding_;
    bool disabled_;
    const bool mergeFirstGroup_;
    const bool framed_;
    bool retouchOpen_ = false;
    bool showGuide_ = false;
};

}  // namespace orvane::options
