#pragma once
// The editor of a profile's permanent corrections: white balance and light rows, the further settings
// in a collapsible group, undo, redo, reset and save, drawn over ProfileTuningModel. The preset is read
// each time the editor comes on screen.
#include <QWidget>

#include <map>
#include <string>

#include "app/profiles/profile_tuning_model.h"

class QAbstractButton;

namespace orvane::kit {
class KitButton;
class KitLabel;
class SliderRow;
class SymbolButton;
class ToolGroup;
}  // namespace orvane::kit

namespace orvane::profiles {

class ProfileTuningEditor final : public QWidget {
    Q_OBJECT
public:
    ProfileTuningEditor(const std::filesystem::path& preset, const ProfileTuning& initial,
                        ProfileTuningModel::Saved onSave, QWidget* parent = nullptr);

    ProfileTuningModel& model() { return *model_; }
    kit::SliderRow* temperatureRow() const { return temperature_; }
    kit::SliderRow* tintRow() const { return tint_; }
    kit::SliderRow* exposureRow() const { return exposure_; }
    kit::SliderRow* presetRow(const std::string& key) const { return presetRows_.at(key); }
    kit::ToolGroup* detailGroup() const { return detail_; }
    kit::SymbolButton* undoButton() const { return undo_; }
    kit::SymbolButton* redoButton() const { return redo_; }
    kit::KitButton* resetButton() const { return reset_; }
    kit::KitButton* saveButton() const { return save_; }
    QWidget* savedStatus() const { return savedStatus_; }
    kit::KitLabel* unsavedText() const { return unsaved_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    ProfileTuningModel* model_;
    kit::SliderRow* temperature_;
    kit::SliderRow* tint_;
    kit::SliderRow* exposure_;
    std::map<std::string, kit::SliderRow*> presetRows_;
    kit::ToolGroup* detail_;
    kit::SymbolButton* undo_;
    kit::SymbolButton* redo_;
    kit::KitButton* reset_;
    kit::KitButton* save_;
    QWidget* savedStatus_;
    kit::KitLabel* unsaved_;
};

}  // namespace orvane::profiles
