#pragma once
// The project-wide adjustments panel: white balance, light, detail and colour, and retouching for all
// photos of one project, with undo, redo and reset, drawn over GlobalAdjustmentsModel. It reads the
// project each time it comes on screen; a host that changed the project meanwhile (a restored version)
// makes a new panel so that it loads afresh.
#include <QWidget>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/projects/global_adjustments_model.h"

class QAbstractButton;

namespace orvane::kit {
class KitButton;
class PillPicker;
class SliderRow;
class SymbolButton;
class ToolGroup;
}  // namespace orvane::kit

namespace orvane::projects {

class SmallSwitch;

class GlobalAdjustmentsPanel final : public QWidget {
    Q_OBJECT
public:
    // `preset`: the develop preset of the project's profile. `wide`: two columns instead of stacked
    // groups; `collapsed`: in the stacked layout the first two groups start closed too.
    GlobalAdjustmentsPanel(std::shared_ptr<Job> job, std::optional<std::filesystem::path> preset, bool wide,
                           bool collapsed, QWidget* parent = nullptr);
    GlobalAdjustmentsPanel(std::shared_ptr<AdjustmentsTarget> target, std::optional<std::filesystem::path> preset,
                           bool wide, bool collapsed, QWidget* parent = nullptr);

    GlobalAdjustmentsModel& model() { return *model_; }
    bool isWide() const { return wide_; }

    kit::PillPicker* temperatureModePicker() const { return temperatureMode_; }
    kit::PillPicker* exposureModePicker() const { return exposureMode_; }
    kit::SliderRow* temperatureOffsetRow() const { return temperatureOffset_; }
    kit::SliderRow* fixedTemperatureRow() const { return fixedTemperature_; }
    kit::SliderRow* tintRow() const { return tint_; }
    kit::SliderRow* exposureOffsetRow() const { return exposureOffset_; }
    kit::SliderRow* fixedExposureRow() const { return fixedExposure_; }
    kit::SliderRow* toneRow(const std::string& key) const { return toneRows_.at(key); }
    kit::SymbolButton* lockButton(const std::string& key) const { return lockButtons_.at(key); }
    kit::KitButton* lockAllButton() const { return lockAll_; }
    kit::SliderRow* teethRow() const { return teeth_; }
    kit::SliderRow* faceLevelRow() const { return faceLevel_; }
    kit::SliderRow* skinTextureRow() const { return skinTexture_; }
    kit::SliderRow* skinClarityRow() const { return skinClarity_; }
    kit::SliderRow* skinSharpnessRow() const { return skinSharpness_; }
    SmallSwitch* subjectSwitch() const { return subject_; }
    kit::SymbolButton* undoButton() const { return undo_; }
    kit::SymbolButton* redoButton() const { return redo_; }
    kit::KitButton* resetButton() const { return reset_; }
    // The stacked layout's groups in order; empty in the wide layout.
    const std::vector<kit::ToolGroup*>& groups() const { return groups_; }
    // The opacity a tone-key row is drawn at: 0.4 while locked, else 1.
    double toneRowOpacity(const std::string& key) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build(bool collapsed);
    void refresh();

    GlobalAdjustmentsModel* model_;
    bool wide_;
    kit::PillPicker* temperatureMode_ = nullptr;
    kit::PillPicker* exposureMode_ = nullptr;
    kit::SliderRow* temperatureOffset_ = nullptr;
    kit::SliderRow* fixedTemperature_ = nullptr;
    kit::SliderRow* tint_ = nullptr;
    kit::SliderRow* exposureOffset_ = nullptr;
    kit::SliderRow* fixedExposure_ = nullptr;
    std::map<std::string, kit::SliderRow*> toneRows_;
    std::map<std::string, kit::SymbolButton*> lockButtons_;
    kit::KitButton* lockAll_ = nullptr;
    kit::SliderRow* teeth_ = nullptr;
    kit::SliderRow* faceLevel_ = nullptr;
    kit::SliderRow* skinTexture_ = nullptr;
    kit::SliderRow* skinClarity_ = nullptr;
    kit::SliderRow* skinSharpness_ = nullptr;
    SmallSwitch* subject_ = nullptr;
    kit::SymbolButton* undo_ = nullptr;
    kit::SymbolButton* redo_ = nullptr;
    kit::KitButton* reset_ = nullptr;
    std::vector<kit::ToolGroup*> groups_;
};

}  // namespace orvane::projects
