#pragma once
// The sheet that announces a profile ready for editing: a check mark, the profile's name with what it
// learned from, and two ways on: start editing (Return) or later (Escape).
#include <functional>

#include "app/kit/sheet_background.h"
#include "core/style/profile.h"

namespace orvane::kit {
class KitButton;
class KitLabel;
}  // namespace orvane::kit

namespace orvane::profiles {

class ProfileReadySheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 560;

    // `dismiss` closes the sheet; "Începe să editezi" calls it and then `start`, "Mai târziu" only it.
    ProfileReadySheet(const Profile& profile, std::function<void()> start, std::function<void()> dismiss,
                      QWidget* parent = nullptr);

    // The instant form for a profile of kind "instant", the learned form otherwise.
    static QString subtitle(const Profile& profile);

    void startEditing();
    void later();
    kit::KitButton* startButton() const { return start_; }
    kit::KitButton* laterButton() const { return later_; }
    kit::KitLabel* subtitleLabel() const { return subtitle_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void()> startAction_;
    std::function<void()> dismiss_;
    kit::KitButton* start_;
    kit::KitButton* later_;
    kit::KitLabel* subtitle_;
};

}  // namespace orvane::profiles
