#pragma once
// The new-profile sheet: the choice between a professional and an instant profile, then the chosen
// step (name, style, training catalogs or the preset drop zone) drawn over NewProfileModel. The sheet
// takes the size of its mode and stays centred over the page.
#include <QPointer>

#include <functional>
#include <vector>

#include "app/kit/sheet_background.h"
#include "app/profiles/new_profile_model.h"

class QCheckBox;
class QLineEdit;
class QScrollArea;
class QStackedLayout;
class QVBoxLayout;

namespace orvane::kit {
class GlassCircleButton;
class KitButton;
class KitLabel;
class SheetCloseButton;
}  // namespace orvane::kit

namespace orvane::profiles {

class NewProfileSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    // Opens over the model: starts the catalog scan and reads the router's hand-over.
    NewProfileSheet(model::AppModel& app, model::Router& router,
                    NewProfileServices services = NewProfileServices::standard(), QWidget* parent = nullptr);
    ~NewProfileSheet() override;

    NewProfileModel& model() { return *model_; }
    kit::SheetCloseButton* closeButton() const { return close_; }
    QSize sizeHint() const override;

    // The "Alege fișier…" panel of the preset drop zone.
    void choosePresetFile();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void applySize();
    void rebuildPro();
    QWidget* choosePage();
    QWidget* instantPage();
    QWidget* nameField();
    QWidget* styleSection();
    QWidget* presetDropZone();
    QWidget* catalogList();
    QScrollArea* scrolling(QWidget* content);

    NewProfileModel* model_;
    QStackedLayout* pages_ = nullptr;
    QWidget* choose_ = nullptr;
    QWidget* pro_ = nullptr;  // rebuilt when its face changes
    QWidget* instant_ = nullptr;
    QVBoxLayout* proHolder_ = nullptr;
    bool proHasCatalogs_ = false;
    kit::GlassCircleButton* back_ = nullptr;
    kit::KitLabel* subtitle_ = nullptr;
    kit::SheetCloseButton* close_ = nullptr;
    // The parts the model's changes update, in both steps.
    std::vector<std::function<void()>> updaters_;   // of the instant page and the header
    std::vector<std::function<void()>> proUpdaters_;  // of the current pro face
};

}  // namespace orvane::profiles
