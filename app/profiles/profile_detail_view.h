#pragma once
// The page of one profile: the header with its actions, the "Profil" card (name, information,
// evaluation), the build progress and the training catalogs on the left, the permanent corrections on
// the right; drawn over ProfileDetailModel.
#include <QWidget>

#include <vector>

#include "app/profiles/profile_detail_model.h"

class QAbstractButton;
class QHBoxLayout;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;

namespace orvane::kit {
class KitButton;
class PageHeader;
}  // namespace orvane::kit

namespace orvane::profiles {

class BuildProgressCard;
class EvaluationCard;
class ProfileTuningEditor;

class ProfileDetailPage final : public QWidget {
    Q_OBJECT
public:
    // The five header actions, in their order.
    enum class Action { makeDefault, rename, exportPackage, duplicate, remove };

    ProfileDetailPage(model::AppModel& app, model::Router& router, const Profile& profile,
                      ProfileDetailServices services = ProfileDetailServices::standard(), QWidget* parent = nullptr);

    ProfileDetailModel& model() { return *model_; }
    kit::PageHeader* header() const { return header_; }
    // The action's button in the full row (symbol and label) or the compact one (symbol only).
    QAbstractButton* actionButton(Action action, bool compact) const;
    bool showsCompactActions() const;
    QLineEdit* nameField() const { return name_; }
    kit::KitButton* saveNameButton() const { return saveName_; }
    QAbstractButton* changePresetButton() const { return changePreset_; }
    BuildProgressCard* progressCard() const { return progress_; }
    EvaluationCard* evaluationCard() const { return evaluation_; }
    QWidget* catalogsCard() const { return catalogsCard_; }
    kit::KitButton* buildButton() const { return build_; }
    ProfileTuningEditor* tuningEditor() const { return editor_; }
    QWidget* infoBlock() const { return info_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* actionsRow(bool compact);
    QWidget* profileCard();
    void refresh();
    void refreshInfo();
    void refreshCatalogs();
    void updateProgress();
    void chooseActionsRow();

    ProfileDetailModel* model_;
    kit::PageHeader* header_ = nullptr;
    QWidget* fullActions_ = nullptr;
    QWidget* compactActions_ = nullptr;
    std::vector<QAbstractButton*> fullButtons_;
    std::vector<QAbstractButton*> compactButtons_;
    QScrollArea* left_ = nullptr;
    QVBoxLayout* leftColumn_ = nullptr;
    QLineEdit* name_ = nullptr;
    kit::KitButton* saveName_ = nullptr;
    QAbstractButton* changePreset_ = nullptr;
    QHBoxLayout* infoRow_ = nullptr;
    QWidget* info_ = nullptr;
    EvaluationCard* evaluation_ = nullptr;
    BuildProgressCard* progress_ = nullptr;
    QWidget* catalogsCard_ = nullptr;
    QVBoxLayout* catalogsBody_ = nullptr;
    QWidget* catalogsContent_ = nullptr;
    kit::KitButton* build_ = nullptr;
    ProfileTuningEditor* editor_ = nullptr;
};

}  // namespace orvane::profiles
