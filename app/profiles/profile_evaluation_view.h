#pragma once
// The profile screen's evaluation card (how much closer than a fixed value the profile comes to the
// user's edits) and its build progress card (ring, phase, cancel, elapsed time).
#include <QPointer>
#include <QWidget>

#include "app/profiles/profile_evaluation.h"

namespace orvane::kit {
class KitButton;
class KitLabel;
class ProgressRing;
class StatusPill;
}  // namespace orvane::kit

namespace orvane::profiles {

class ProfileDetailModel;

// The ring of the overall score: a faint full circle, the score's arc from the top and the score.
class ScoreRing final : public QWidget {
    Q_OBJECT
public:
    ScoreRing(int score, double fraction, QWidget* parent = nullptr);
    int score() const { return score_; }
    double fraction() const { return fraction_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int score_;
    double fraction_;
};

// The card of a stored evaluation, in its form: still learning, not yet measured, or scored.
class EvaluationCard final : public QWidget {
    Q_OBJECT
public:
    EvaluationCard(const Evaluation& evaluation, const std::vector<std::string>& predictedExtras,
                   QWidget* parent = nullptr);
    const EvaluationScore& score() const { return score_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EvaluationScore score_;
};

// Shown while the screen's profile trains; ticks once a second for its elapsed time.
class BuildProgressCard final : public QWidget {
    Q_OBJECT
public:
    explicit BuildProgressCard(ProfileDetailModel& model, QWidget* parent = nullptr);
    void refresh();
    kit::ProgressRing* ring() const { return ring_; }
    kit::StatusPill* pill() const { return pill_; }
    kit::KitButton* cancelButton() const { return cancel_; }
    kit::KitLabel* elapsedLabel() const { return elapsed_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void scheduleTick();

    ProfileDetailModel& model_;
    kit::ProgressRing* ring_;
    kit::StatusPill* pill_;
    kit::KitButton* cancel_;
    kit::KitLabel* profileName_;
    kit::KitLabel* catalogs_;
    kit::KitLabel* elapsed_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace orvane::profiles
